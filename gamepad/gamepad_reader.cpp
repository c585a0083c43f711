#include "gamepad/gamepad_reader.h"

#include <SDL2/SDL.h>

#include <chrono>
#include <string>
#include <thread>

#include "gamepad/stick_axis.h"
#include "os/console_print.h"
#include "state/main_thread_heartbeat.h"

namespace {
// Set before SDL starts. SIGINT and SIGTERM belong to the station's signal
// thread. Face buttons by position, as on an Xbox pad, so that "B" is the
// right-hand button whatever its label (Nintendo pads swap the labels). And
// the gamepad is read whichever window has the focus: the station's window is
// Qt's, which SDL knows nothing of.
void setSdlHints() {
  SDL_SetHintWithPriority(SDL_HINT_NO_SIGNAL_HANDLERS, "1", SDL_HINT_OVERRIDE);
  SDL_SetHintWithPriority(SDL_HINT_GAMECONTROLLER_USE_BUTTON_LABELS, "0", SDL_HINT_OVERRIDE);
  SDL_SetHintWithPriority(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1", SDL_HINT_OVERRIDE);
}

// The one gamepad in use, if any.
class Gamepad {
 public:
  Gamepad() = default;
  ~Gamepad() {
    if (pad_ != nullptr) SDL_GameControllerClose(pad_);
  }
  Gamepad(const Gamepad&) = delete;
  Gamepad& operator=(const Gamepad&) = delete;

  bool isOpen() const { return pad_ != nullptr; }
  bool is(SDL_JoystickID id) const { return pad_ != nullptr && id == id_; }

  // Opens the game controller at this device index unless one is in use.
  void open(int deviceIndex) {
    if (pad_ != nullptr || !SDL_IsGameController(deviceIndex)) return;
    pad_ = SDL_GameControllerOpen(deviceIndex);
    if (pad_ == nullptr) {
      const char* name = SDL_GameControllerNameForIndex(deviceIndex);
      consolePrintf("mando: %s no se pudo abrir: %s\n", name != nullptr ? name : "sin nombre",
                    SDL_GetError());
      return;
    }
    id_ = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad_));
    const char* name = SDL_GameControllerName(pad_);
    name_ = name != nullptr ? name : "sin nombre";
    consolePrintf("mando: %s conectado\n", name_.c_str());
  }

  // The first game controller present, unless one is in use.
  void openFirst() {
    for (int i = 0; i < SDL_NumJoysticks() && pad_ == nullptr; ++i) open(i);
  }

  // Lets the gamepad go (it was pulled out) and takes the next one present.
  void replace() {
    SDL_GameControllerClose(pad_);
    pad_ = nullptr;
    consolePrintf("mando: %s desconectado\n", name_.c_str());
    openFirst();
  }

  // Pulled out without its removal reaching the event queue.
  bool lost() const { return pad_ != nullptr && SDL_GameControllerGetAttached(pad_) == SDL_FALSE; }

  GamepadState read(std::int64_t readMs, unsigned stopPresses) const {
    GamepadState s;
    s.readMs = static_cast<std::uint32_t>(readMs);
    if (pad_ == nullptr) return s;
    s.connected = 1;
    // SDL's vertical axes grow downwards.
    s.forward = -stickThousandths(SDL_GameControllerGetAxis(pad_, SDL_CONTROLLER_AXIS_LEFTY));
    s.turn = stickThousandths(SDL_GameControllerGetAxis(pad_, SDL_CONTROLLER_AXIS_RIGHTX));
    s.deadManHeld = SDL_GameControllerGetButton(pad_, SDL_CONTROLLER_BUTTON_LEFTSHOULDER) != 0;
    s.stopHeld = SDL_GameControllerGetButton(pad_, SDL_CONTROLLER_BUTTON_B) != 0;
    s.stopPresses = stopPresses & 15u;
    return s;
  }

 private:
  SDL_GameController* pad_ = nullptr;
  SDL_JoystickID id_ = -1;
  std::string name_;
};
}  // namespace

bool runGamepadReader(Relaxed<GamepadState>& out, const GamepadReaderOptions& options) {
  // By default the clock the driving steps read the state's age on.
  const std::function<std::int64_t()> clockMs =
      options.clockMs ? options.clockMs : std::function<std::int64_t()>(heartbeatClockMs);
  setSdlHints();
  if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
    consolePrintf("mando: SDL no se pudo iniciar: %s\n", SDL_GetError());
    SDL_Quit();
    return false;
  }
  {
    Gamepad pad;
    unsigned stopPresses = 0;
    pad.openFirst();
    while (options.stop == nullptr || !options.stop->load()) {
      const std::int64_t passMs = clockMs();
      SDL_Event event;
      // Polling pumps SDL's joysticks: hot-plugging, buttons and axes.
      while (SDL_PollEvent(&event) != 0) {
        if (event.type == SDL_CONTROLLERDEVICEADDED) {
          pad.open(event.cdevice.which);
        } else if (event.type == SDL_JOYDEVICEADDED && !SDL_IsGameController(event.jdevice.which)) {
          // A joystick whose layout SDL does not know: said, so that the
          // operator knows why it does not drive.
          const char* name = SDL_JoystickNameForIndex(event.jdevice.which);
          consolePrintf("mando: %s no es un mando de juego conocido; se ignora\n",
                        name != nullptr ? name : "sin nombre");
        } else if (event.type == SDL_CONTROLLERDEVICEREMOVED && pad.is(event.cdevice.which)) {
          pad.replace();
        } else if (event.type == SDL_CONTROLLERBUTTONDOWN && pad.is(event.cbutton.which) &&
                   event.cbutton.button == SDL_CONTROLLER_BUTTON_B) {
          ++stopPresses;
        }
      }
      if (pad.lost()) pad.replace();
      out = pad.read(passMs, stopPresses);
      std::this_thread::sleep_for(
          std::chrono::milliseconds(pad.isOpen() ? kGamepadPassMs : kGamepadIdlePassMs));
    }
  }
  // The reader is SDL's one user in the process: all of it goes, its hints
  // and controller mappings too.
  SDL_Quit();
  return true;
}
