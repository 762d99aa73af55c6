#include "host/kernel/trace_output.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace host {
namespace {

constexpr std::string_view kStandardOutput = "-";
// How often a trace that waits for a FIFO's reader looks again; a signal ends the wait at once.
constexpr int kReaderLookMs = 50;

bool IsFifo(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

}  // namespace

TraceOutput::TraceOutput(std::string path, std::ostream& standardOutput)
    : m_path(std::move(path)),
      m_trace(m_path == kStandardOutput ? standardOutput : static_cast<std::ostream&>(m_file)) {}

Result<std::unique_ptr<TraceOutput>> TraceOutput::Open(const std::string& path,
                                                       std::ostream& standardOutput,
                                                       EndingSignals* signals) {
  std::unique_ptr<TraceOutput> output(new TraceOutput(path, standardOutput));
  if (path == kStandardOutput) return output;
  Error cannot("cannot write the trace to " + path);
  if (signals != nullptr && IsFifo(path)) {
    // Opening a FIFO for writing waits for a reader; opened without waiting, it fails until
    // one comes. Once one is there, the plain open below returns at once.
    while (true) {
      int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) {
        output->m_file.open(path, std::ios::binary | std::ios::trunc);
        close(fd);
        break;
      }
      if (errno != ENXIO) return cannot;
      if (signals->Wait(kReaderLookMs) != 0) return cannot;
    }
  } else {
    output->m_file.open(path, std::ios::binary | std::ios::trunc);
  }
  if (!output->m_file) return cannot;
  return output;
}

bool OpenTraceOutput(const std::optional<std::string>& path, std::ostream& standardOutput,
                     std::ostream& err, EndingSignals* signals,
                     std::unique_ptr<TraceOutput>& trace) {
  if (!path) return true;
  Result<std::unique_ptr<TraceOutput>> opened = TraceOutput::Open(*path, standardOutput, signals);
  if (!opened) {
    if (signals == nullptr || signals->received() == 0) {
      err << "quorvane: " << opened.error().message() << '\n';
    }
    return false;
  }
  trace = std::move(*opened);
  return true;
}

bool FinishTraceOutput(TraceOutput* trace, std::ostream& err) {
  if (trace == nullptr || trace->Finish()) return true;
  if (trace->path() != kStandardOutput) {
    err << "quorvane: cannot write the trace to " << trace->path() << '\n';
  }
  return false;
}

}  // namespace host
