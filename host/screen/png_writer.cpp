#include "host/screen/png_writer.h"

#include <SDL.h>
#include <png.h>

namespace host::screen {

Status WritePng(SDL_Surface* surface, const std::string& path) {
  if (surface == nullptr) return Error("nothing to write");
  SDL_Surface* rgb = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_RGB24, 0);
  if (rgb == nullptr) return Error(std::string("cannot convert the pixels: ") + SDL_GetError());
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(rgb->w);
  image.height = static_cast<png_uint_32>(rgb->h);
  image.format = PNG_FORMAT_RGB;
  SDL_LockSurface(rgb);
  int ok = png_image_write_to_file(&image, path.c_str(), 0, rgb->pixels, rgb->pitch, nullptr);
  SDL_UnlockSurface(rgb);
  SDL_FreeSurface(rgb);
  if (ok == 0) {
    Error error("cannot write " + path + ": " + image.message);
    png_image_free(&image);
    return error;
  }
  return Ok();
}

}  // namespace host::screen
