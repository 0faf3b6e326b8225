#pragma once
// How long the collector waits for something outside its control before it gives up on it. A
// provider or a tool that hangs must not keep the user waiting for ever with no archive made:
// after its bound the job logs an ERROR, writes its error leaf and the run goes on. The bounds
// are generous; a healthy machine stays far below them.

#include <cstdint>

namespace Gathrix::WaitBounds {

// All objects of one WMI query.
constexpr std::uint32_t WmiQueryMilliseconds = 5 * 60 * 1000;

// One event from the event-log service, which hands it out within milliseconds on a healthy
// machine. Each read has its own bound: a log of many events may take long as a whole, but a
// service that stops answering shows in one read.
constexpr std::uint32_t EventlogNextEventMilliseconds = 2 * 60 * 1000;

// The system-information tool writing its report, which takes minutes on a large machine.
constexpr std::uint32_t SystemInformationToolMilliseconds = 15 * 60 * 1000;

} // namespace Gathrix::WaitBounds
