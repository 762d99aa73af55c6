#include "host/kernel/trace_output.h"

namespace host {
namespace {

constexpr std::string_view kStandardOutput = "-";

}  // namespace

TraceOutput::TraceOutput(std::string path, std::ostream& standardOutput)
    : m_path(std::move(path)),
      m_trace(m_path == kStandardOutput ? standardOutput : static_cast<std::ostream&>(m_file)) {}

std::unique_ptr<TraceOutput> TraceOutput::Open(const std::string& path,
                                               std::ostream& standardOutput) {
  std::unique_ptr<TraceOutput> output(new TraceOutput(path, standardOutput));
  if (path != kStandardOutput) {
    output->m_file.open(path, std::ios::binary | std::ios::trunc);
    if (!output->m_file) return nullptr;
  }
  return output;
}

bool OpenTraceOutput(const std::optional<std::string>& path, std::ostream& standardOutput,
                     std::ostream& err, std::unique_ptr<TraceOutput>& trace) {
  if (!path) return true;
  trace = TraceOutput::Open(*path, standardOutput);
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
