// The trace of a run written where --trace names: a file, made anew, or standard output for
// "-". The lines are buffered (host/kernel/trace.h); Finish writes the rest. A FIFO is opened
// once a reader has opened it, as a plain open would, but an ending signal that comes while
// the trace waits for its reader ends the wait (host/kernel/ending_signals.h).
#pragma once

#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "host/crt/result.h"
#include "host/kernel/ending_signals.h"
#include "host/kernel/trace.h"

namespace host {

class TraceOutput {
 public:
  // The trace for path, or the error "cannot write the trace to PATH" (also when an ending
  // signal of signals, null for none, ended the wait for a FIFO's reader: then
  // signals->received() tells it). REQUIRES: standardOutput outlives the trace.
  static Result<std::unique_ptr<TraceOutput>> Open(const std::string& path,
                                                   std::ostream& standardOutput,
                                                   EndingSignals* signals);
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

// The trace for the --trace option of a run: none when path is not given. On failure tells err
// ("quorvane: cannot write the trace to PATH") and returns false, also when an ending signal
// stopped the wait for a FIFO's reader (then silently: the caller ends the run).
bool OpenTraceOutput(const std::optional<std::string>& path, std::ostream& standardOutput,
                     std::ostream& err, EndingSignals* signals,
                     std::unique_ptr<TraceOutput>& trace);
// Finishes trace (none: nothing to do); false when it could not be written, told on err unless
// it went to standard output, whose failure the caller reports for all its output.
bool FinishTraceOutput(TraceOutput* trace, std::ostream& err);

}  // namespace host
