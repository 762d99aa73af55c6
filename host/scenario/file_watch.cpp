#include "host/scenario/file_watch.h"

#include <fcntl.h>

#include <fstream>
#include <iterator>

#include "host/crt/utf.h"

namespace host::scenario {
namespace {

std::string Hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char byte : bytes) {
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0xF];
  }
  return out;
}

}  // namespace

nlohmann::ordered_json FileJson(Handset& handset, std::u16string_view handsetPath) {
  nlohmann::ordered_json event = {{"path", ToUtf8(handsetPath)}};
  std::ifstream in(handset.HostPath(handsetPath), std::ios::binary);
  if (!in) {
    event["exists"] = false;
    return event;
  }
  std::string bytes(std::istreambuf_iterator<char>(in), {});
  event["exists"] = true;
  event["size"] = bytes.size();
  if (bytes.size() >= 2 && bytes.size() % 2 == 0 && bytes.compare(0, 2, "\xFF\xFE") == 0) {
    std::u16string text;
    for (std::size_t i = 2; i < bytes.size(); i += 2) {
      text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                    static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    event["text"] = ToUtf8(text);
  } else {
    event["text"] = nullptr;
    event["hex"] = Hex(bytes);
  }
  return event;
}

FileWatch::FileWatch(Handset& handset) : m_handset(handset), m_base(handset.files()) {
  m_handset.set_files(this);
}

FileWatch::~FileWatch() {
  if (&m_handset.files() == this) m_handset.set_files(&m_base);
}

void FileWatch::Watch(std::u16string handsetPath) {
  std::string host = m_handset.HostPath(handsetPath);
  m_watched[host] = std::move(handsetPath);
}

void FileWatch::Changed(const std::string& path) {
  auto it = m_watched.find(path);
  if (it != m_watched.end()) m_handset.Emit("file", FileJson(m_handset, it->second));
}

int FileWatch::Open(const std::string& path, int flags, mode_t mode) {
  struct stat st;
  bool existed = m_base.Stat(path, &st) >= 0;
  int fd = m_base.Open(path, flags, mode);
  if (auto it = m_watched.find(path); it != m_watched.end()) {
    bool write = (flags & O_ACCMODE) != O_RDONLY;
    m_handset.Emit("fopen", {{"path", ToUtf8(it->second)}, {"write", write}, {"ok", fd >= 0}});
  }
  if (fd >= 0) {
    bool created = (flags & O_CREAT) != 0 && !existed;
    m_open[fd] = OpenFile{path, created || (flags & O_TRUNC) != 0};
  }
  return fd;
}

int FileWatch::Close(int fd) {
  int result = m_base.Close(fd);
  auto it = m_open.find(fd);
  if (it != m_open.end()) {
    OpenFile file = std::move(it->second);
    m_open.erase(it);
    if (file.changed) Changed(file.path);
  }
  return result;
}

long FileWatch::Read(int fd, void* buffer, std::size_t size) {
  return m_base.Read(fd, buffer, size);
}

long FileWatch::Write(int fd, const void* buffer, std::size_t size) {
  long result = m_base.Write(fd, buffer, size);
  if (result > 0) {
    if (auto it = m_open.find(fd); it != m_open.end()) it->second.changed = true;
  }
  return result;
}

long FileWatch::Seek(int fd, long offset) { return m_base.Seek(fd, offset); }

int FileWatch::Truncate(int fd, long length) {
  int result = m_base.Truncate(fd, length);
  if (result >= 0) {
    if (auto it = m_open.find(fd); it != m_open.end()) it->second.changed = true;
  }
  return result;
}

int FileWatch::Fsync(int fd) { return m_base.Fsync(fd); }
int FileWatch::Fstat(int fd, struct stat* st) { return m_base.Fstat(fd, st); }
int FileWatch::Stat(const std::string& path, struct stat* st) { return m_base.Stat(path, st); }
int FileWatch::Chmod(const std::string& path, mode_t mode) { return m_base.Chmod(path, mode); }
int FileWatch::Fchmod(int fd, mode_t mode) { return m_base.Fchmod(fd, mode); }
int FileWatch::Fchown(int fd, uid_t owner, gid_t group) { return m_base.Fchown(fd, owner, group); }
int FileWatch::Lock(int fd) { return m_base.Lock(fd); }
int FileWatch::RealPath(const std::string& path, std::string* resolved) {
  return m_base.RealPath(path, resolved);
}

int FileWatch::Link(const std::string& from, const std::string& to) {
  int result = m_base.Link(from, to);
  if (result >= 0) Changed(to);
  return result;
}

int FileWatch::Unlink(const std::string& path) {
  int result = m_base.Unlink(path);
  if (result >= 0) Changed(path);
  return result;
}

int FileWatch::Rename(const std::string& from, const std::string& to) {
  int result = m_base.Rename(from, to);
  if (result >= 0) {
    Changed(from);
    Changed(to);
  }
  return result;
}

}  // namespace host::scenario
