#include "tools/picture_file.h"

#include <cairo-svg.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <string_view>

#include "host/crt/ascii_case.h"

namespace tools {
namespace {

// The temporary file, removed unless it was renamed into place.
class TempFile {
 public:
  explicit TempFile(const std::string& path) : m_path(path + ".XXXXXX") {
    m_fd = mkstemp(m_path.data());
    m_made = m_fd >= 0;
    if (!m_made) m_errno = errno;
  }
  ~TempFile() {
    if (m_fd >= 0) close(m_fd);
    if (m_made && !m_renamed) unlink(m_path.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  // cairo's write function: the first failure is kept.
  static cairo_status_t Write(void* self, const unsigned char* data, unsigned int length) {
    auto* file = static_cast<TempFile*>(self);
    while (length > 0 && file->m_errno == 0) {
      ssize_t written = ::write(file->m_fd, data, length);
      if (written < 0) {
        if (errno == EINTR) continue;
        file->m_errno = errno;
        break;
      }
      data += written;
      length -= static_cast<unsigned int>(written);
    }
    return file->m_errno == 0 ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
  }

  // Closes the file and renames it to path; the errno of the first failure, else 0.
  int Finish(const std::string& path) {
    if (m_errno == 0 && fsync(m_fd) != 0) m_errno = errno;
    if (close(m_fd) != 0 && m_errno == 0) m_errno = errno;
    m_fd = -1;
    if (m_errno == 0 && std::rename(m_path.c_str(), path.c_str()) != 0) m_errno = errno;
    m_renamed = m_errno == 0;
    return m_errno;
  }

  bool opened() const { return m_fd >= 0; }
  int error() const { return m_errno; }

 private:
  std::string m_path;
  int m_fd = -1;
  int m_errno = 0;
  bool m_made = false;
  bool m_renamed = false;
};

using Surface = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
using Context = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;

}  // namespace

std::optional<PlotFormat> PlotFormatOf(const std::string& path) {
  auto endsWith = [&](std::string_view ending) {
    return path.size() > ending.size() &&
           host::EqualIgnoringAsciiCase<char>(
               std::string_view(path).substr(path.size() - ending.size()), ending);
  };
  if (endsWith(".svg")) return PlotFormat::kSvg;
  if (endsWith(".png")) return PlotFormat::kPng;
  return std::nullopt;
}

host::Status WritePicture(const std::string& path, int width, int height,
                          const std::function<void(cairo_t*)>& draw) {
  std::optional<PlotFormat> format = PlotFormatOf(path);
  if (!format) return host::Error("--plot " + path + ": the name ends neither in .svg nor in .png");
  TempFile file(path);
  if (!file.opened()) return host::Error::FromErrno("--plot " + path, file.error());
  Surface surface(*format == PlotFormat::kSvg
                      ? cairo_svg_surface_create_for_stream(&TempFile::Write, &file, width, height)
                      : cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height),
                  &cairo_surface_destroy);
  {
    Context cr(cairo_create(surface.get()), &cairo_destroy);
    draw(cr.get());
  }
  cairo_status_t status;
  if (*format == PlotFormat::kPng) {
    status = cairo_surface_write_to_png_stream(surface.get(), &TempFile::Write, &file);
  } else {
    cairo_surface_finish(surface.get());
    status = cairo_surface_status(surface.get());
  }
  if (file.error() != 0) return host::Error::FromErrno("--plot " + path, file.error());
  if (status != CAIRO_STATUS_SUCCESS) {
    return host::Error("--plot " + path + ": cannot draw the picture (" +
                       cairo_status_to_string(status) + ")");
  }
  if (int error = file.Finish(path); error != 0) {
    return host::Error::FromErrno("--plot " + path, error);
  }
  return host::Ok();
}

}  // namespace tools
