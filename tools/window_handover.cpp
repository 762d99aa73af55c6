#include "tools/window_handover.h"

#include <optional>
#include <string>
#include <vector>

#include "host/files/root_lock.h"

namespace tools {

host::Result<std::unique_ptr<host::service::ServicePause>> HandOverToWindow(Mode& window) {
  std::optional<long> holder = host::RootLock::Holder(*window.root);
  if (!holder) return std::unique_ptr<host::service::ServicePause>();
  auto pause = host::service::ServicePause::Stop(*window.root, *holder, {});
  if (!pause) return pause.error();
  const std::vector<std::string>& args = (*pause)->args();
  if (!args.empty()) {
    // The service's options as it took them; a command line that no longer parses (another
    // version of quorvane) leaves the window's own devices.
    host::Result<Mode> service = ParseMode(std::vector<std::string>(args.begin() + 1, args.end()),
                                           Environment::OfProcess());
    if (service && service->kind == Mode::Kind::kService) {
      window.acc = service->acc;
      window.motion = service->motion;
      window.player = service->player;
      window.music = service->music;
    }
  }
  return pause;
}

}  // namespace tools
