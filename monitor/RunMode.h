// RunMode: what the monitor is doing with the device (idle, polling, or a fast-sampling run starting,
// sampling or stopping), and how the Weight and Fast Sample buttons show it.
#pragma once

enum class RunMode { Idle, Polling, Starting, Sampling, Stopping };

namespace RunModes {
// A status request is on its way: the Weight button is lit.
constexpr bool weightLit(RunMode mode)
{
    return mode == RunMode::Polling;
}
// A fast-sampling run is under way: the Fast Sample button is lit.
constexpr bool sampleLit(RunMode mode)
{
    return mode == RunMode::Starting || mode == RunMode::Sampling || mode == RunMode::Stopping;
}
// The mode once a connection for a status request (`status`) or another command has opened.
constexpr RunMode onConnect(RunMode mode, bool status)
{
    if (sampleLit(mode))
        return mode;
    return status ? RunMode::Polling : RunMode::Idle;
}
// The mode once a status reply came, or a run ended: the lit button goes dark.
constexpr RunMode afterPoll(RunMode mode)
{
    return mode == RunMode::Polling ? RunMode::Idle : mode;
}
constexpr RunMode afterRun(RunMode mode)
{
    return sampleLit(mode) ? RunMode::Idle : mode;
}
} // namespace RunModes
