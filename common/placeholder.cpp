// Keeps the library non-empty until its first routines land.
namespace Zelk { int commonPlaceholder() { return 0; } }
