// Shared pieces of the fuzz targets: the property check that stops the run with a clear message, a
// cursor over the input's leading control bytes, and the amplifier that makes large inputs from small ones.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>

// A property that must hold for every input; a failure names itself and traps (the fuzzer keeps the input).
#define FUZZ_CHECK(cond, what)                                                                               \
    do {                                                                                                     \
        if (!(cond)) {                                                                                       \
            std::fprintf(stderr, "property failed: %s [%s] at %s:%d\n", what, #cond, __FILE__, __LINE__);    \
            __builtin_trap();                                                                                \
        }                                                                                                    \
    } while (false)

namespace Fuzz {

// Takes control bytes from the front of the input; what remains is the payload.
class Input {
public:
    Input(const std::uint8_t *data, std::size_t size)
        : m_data(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size))
    {
    }
    // The next control byte, 0 when the input is used up.
    std::uint8_t byte()
    {
        if (m_data.isEmpty())
            return 0;
        const auto b = static_cast<std::uint8_t>(m_data.front());
        m_data = m_data.sliced(1);
        return b;
    }
    QByteArrayView rest() const { return m_data; }

private:
    QByteArrayView m_data;
};

// Large inputs from small ones: `head` once, then `body` repeated until the result holds at least
// `atLeast` bytes (an empty body adds nothing). Reaches the size bounds of the readers that a few
// kilobytes of fuzz input never reach.
inline QByteArray amplify(QByteArrayView head, QByteArrayView body, qsizetype atLeast)
{
    QByteArray out(head.data(), head.size());
    if (body.isEmpty())
        return out;
    out.reserve(atLeast + body.size());
    while (out.size() < atLeast)
        out.append(body.data(), body.size());
    return out;
}

// The usual amplifier switch of a target: a control byte whose high four bits are all set.
// ZELK_FUZZ_AMPLIFY=0 turns the amplifier off, for long runs that want many small inputs a second.
inline bool amplifierOn()
{
    static const bool on = qEnvironmentVariable("ZELK_FUZZ_AMPLIFY") != QLatin1String("0");
    return on;
}

inline bool wantsAmplify(std::uint8_t control)
{
    return amplifierOn() && (control & 0xF0) == 0xF0;
}

// Splits the payload after `control` bytes into head and body at the length given by the next byte.
inline QByteArray amplified(Input &in, qsizetype atLeast)
{
    const qsizetype wanted = in.byte();
    const qsizetype headSize = qMin(wanted, in.rest().size());
    return amplify(in.rest().first(headSize), in.rest().sliced(headSize), atLeast);
}

} // namespace Fuzz

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);
