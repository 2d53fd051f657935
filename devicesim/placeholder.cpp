// Keeps the library non-empty until the simulator lands.
namespace ZelkSim { int placeholder() { return 0; } }
