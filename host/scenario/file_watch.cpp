#include "host/scenario/file_watch.h"

#include <fcntl.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <nlohmann/json.hpp>

#include "host/crt/byte_text.h"
#include "host/crt/utf.h"

namespace host::scenario {

nlohmann::ordered_json FileJson(Handset& handset, std::u16string_view handsetPath) {
  nlohmann::ordered_json event = {{"path", ToUtf8(handsetPath)}};
  std::string hostPath = handset.HostPath(handsetPath);
  std::error_code error;
  // Only a regular file has contents to show; a folder in its place reads as no file.
  std::ifstream in;
  if (std::filesystem::is_regular_file(hostPath, error)) in.open(hostPath, std::ios::binary);
  if (!in.is_open()) {
    event["exists"] = false;
    return event;
  }
  std::string bytes(std::istreambuf_iterator<char>(in), {});
  event["exists"] = true;
  event["size"] = bytes.size();
  if (bytes.size() >= 2 && bytes.size() % 2 == 0 && bytes.compare(0, 2, "\xFF\xFE") == 0) {
    event["text"] = ToUtf8(FromUtf16LeBytes(std::string_view(bytes).substr(2)));
  } else {
    event["text"] = nullptr;
    event["hex"] = HexBytes(bytes);
  }
  return event;
}

FileWatch::FileWatch(Handset& handset) : ForwardingFileSystem(handset.files()), m_handset(handset) {
  m_handset.set_files(this);
}

FileWatch::~FileWatch() {
  if (&m_handset.files() == this) m_handset.set_files(&base());
}

void FileWatch::Watch(std::u16string handsetPath) {
  std::string host = m_handset.HostPath(handsetPath);
  m_watched[host] = std::move(handsetPath);
}

void FileWatch::Changed(const std::string& path) {
  auto it = m_watched.find(path);
  if (it == m_watched.end()) return;
  m_handset.Emit("file", [&] { return FileJson(m_handset, it->second); });
}

int FileWatch::Open(const std::string& path, int flags, mode_t mode) {
  struct stat st;
  bool existed = base().Stat(path, &st) >= 0;
  int fd = base().Open(path, flags, mode);
  if (auto it = m_watched.find(path); it != m_watched.end()) {
    bool write = (flags & O_ACCMODE) != O_RDONLY;
    m_handset.Emit("fopen", [&] {
      return TraceFields{{"path", ToUtf8(it->second)}, {"write", write}, {"ok", fd >= 0}};
    });
  }
  if (fd >= 0) {
    bool created = (flags & O_CREAT) != 0 && !existed;
    m_open[fd] = OpenFile{path, created || (flags & O_TRUNC) != 0};
  }
  return fd;
}

int FileWatch::Close(int fd) {
  int result = base().Close(fd);
  auto it = m_open.find(fd);
  if (it != m_open.end()) {
    OpenFile file = std::move(it->second);
    m_open.erase(it);
    if (file.changed) Changed(file.path);
  }
  return result;
}

long FileWatch::Write(int fd, const void* buffer, std::size_t size) {
  long result = base().Write(fd, buffer, size);
  if (result > 0) {
    if (auto it = m_open.find(fd); it != m_open.end()) it->second.changed = true;
  }
  return result;
}

int FileWatch::Truncate(int fd, long length) {
  int result = base().Truncate(fd, length);
  if (result >= 0) {
    if (auto it = m_open.find(fd); it != m_open.end()) it->second.changed = true;
  }
  return result;
}

int FileWatch::Link(const std::string& from, const std::string& to) {
  int result = base().Link(from, to);
  if (result >= 0) Changed(to);
  return result;
}

int FileWatch::Unlink(const std::string& path) {
  int result = base().Unlink(path);
  if (result >= 0) Changed(path);
  return result;
}

int FileWatch::Rename(const std::string& from, const std::string& to) {
  int result = base().Rename(from, to);
  if (result >= 0) {
    Changed(from);
    Changed(to);
  }
  return result;
}

}  // namespace host::scenario
