// The trace of a run written where --trace names: a file, made anew, or standard output for
// "-". The lines are buffered (host/kernel/trace.h); Finish writes the rest.
#pragma once

#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "host/kernel/trace.h"

namespace host {

class TraceOutput {
 public:
  // The trace for path, or null when the file cannot be made.
  // REQUIRES: standardOutput outlives the trace.
  static std::unique_ptr<TraceOutput> Open(const std::string& path, std::ostream& standardOutput);

  TraceOutput(const TraceOutput&) = delete;
  TraceOutput& operator=(const TraceOutput&) = delete;

  Trace& trace() { return m_trace; }
  const std::string& path() const { return m_path; }
  // Writes what is buffered; false when the trace could not be written (now or before).
  bool Finish() { return m_trace.Flush(); }

 private:
  TraceOutput(std::string path, std::ostream& standardOutput);

  std::string m_path;
  std::ofstream m_file;
  JsonLinesTrace m_trace;
};

// The trace for the --trace option of a run: none when path is not given. Returns false, told
// on err ("quorvane: cannot write the trace to PATH"), when the file cannot be made.
bool OpenTraceOutput(const std::optional<std::string>& path, std::ostream& standardOutput,
                     std::ostream& err, std::unique_ptr<TraceOutput>& trace);
// Finishes trace (none: nothing to do); false when it could not be written, told on err unless
// it went to standard output, whose failure the caller reports for all its output.
bool FinishTraceOutput(TraceOutput* trace, std::ostream& err);

}  // namespace host
