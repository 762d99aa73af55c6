// The trace of a run written where --trace names: a file, made anew, or standard output for
// "-". The lines are buffered (host/kernel/trace.h); Finish writes the rest.
#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "host/kernel/trace.h"

namespace host {

// What becomes of a trace file's buffered lines when an ending signal ends the process.
enum class OnEndingSignal {
  kLeave,  // the mode ends on those signals itself (the service, the window) and finishes the
           // trace then; nothing is done in the signal's thread
  kWrite,  // written out by the signal's thread (host/kernel/ending_signals.h)
};

class TraceOutput {
 public:
  // The trace for path, or null when the file cannot be made. Standard output is never written
  // from the signal's thread (other output may be under way there).
  // REQUIRES: standardOutput outlives the trace.
  static std::unique_ptr<TraceOutput> Open(const std::string& path, std::ostream& standardOutput,
                                           OnEndingSignal onSignal);
  ~TraceOutput();

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
  std::uint64_t m_signalKey = 0;
};

// The trace for the --trace option of a run: none when path is not given. Returns false, told
// on err ("quorvane: cannot write the trace to PATH"), when the file cannot be made.
bool OpenTraceOutput(const std::optional<std::string>& path, std::ostream& standardOutput,
                     std::ostream& err, OnEndingSignal onSignal,
                     std::unique_ptr<TraceOutput>& trace);
// Finishes trace (none: nothing to do); false when it could not be written, told on err unless
// it went to standard output, whose failure the caller reports for all its output.
bool FinishTraceOutput(TraceOutput* trace, std::ostream& err);

}  // namespace host
