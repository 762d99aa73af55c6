#include "host/kernel/trace_output.h"

#include "host/kernel/ending_signals.h"

namespace host {
namespace {

constexpr std::string_view kStandardOutput = "-";
// How long an ending signal waits for a trace that is busy (its write blocked) before the
// process ends without the rest of it.
constexpr std::chrono::milliseconds kSignalFlushWait{500};

}  // namespace

TraceOutput::TraceOutput(std::string path, std::ostream& standardOutput)
    : m_path(std::move(path)),
      m_trace(m_path == kStandardOutput ? standardOutput : static_cast<std::ostream&>(m_file)) {}

TraceOutput::~TraceOutput() { ending_signals::Remove(m_signalKey); }

std::unique_ptr<TraceOutput> TraceOutput::Open(const std::string& path,
                                               std::ostream& standardOutput,
                                               OnEndingSignal onSignal) {
  std::unique_ptr<TraceOutput> output(new TraceOutput(path, standardOutput));
  if (path == kStandardOutput) return output;
  output->m_file.open(path, std::ios::binary | std::ios::trunc);
  if (!output->m_file) return nullptr;
  if (onSignal == OnEndingSignal::kWrite) {
    JsonLinesTrace* trace = &output->m_trace;
    output->m_signalKey =
        ending_signals::Add([trace] { trace->FlushWithin(kSignalFlushWait); });
  }
  return output;
}

bool OpenTraceOutput(const std::optional<std::string>& path, std::ostream& standardOutput,
                     std::ostream& err, OnEndingSignal onSignal,
                     std::unique_ptr<TraceOutput>& trace) {
  if (!path) return true;
  trace = TraceOutput::Open(*path, standardOutput, onSignal);
  if (trace == nullptr) err << "quorvane: cannot write the trace to " << *path << '\n';
  return trace != nullptr;
}

bool FinishTraceOutput(TraceOutput* trace, std::ostream& err) {
  if (trace == nullptr || trace->Finish()) return true;
  if (trace->path() != kStandardOutput) {
    err << "quorvane: cannot write the trace to " << trace->path() << '\n';
  }
  return false;
}

}  // namespace host
