#pragma once
// A gamepad that exists only inside the test process: one of SDL's virtual
// joysticks, laid out as a game controller (its axes and buttons in SDL's own
// order), which SDL's game-controller layer takes as it takes a plugged-in
// pad. SDL must be started (the reader starts it).
#include <SDL2/SDL.h>

#include <cstdint>
#include <string>
#include <utility>

// Virtual gamepads carry this maker and one of these products; the tests have
// SDL skip any other, so that a real gamepad on the machine plays no part.
// SDL names a gamepad after its kind (maker and product): gamepads that a test
// tells apart by name are of different products.
inline constexpr std::uint16_t kTestVendor = 0x7e57;
inline constexpr const char* kOnlyTestGamepads = "0x7e57/0x0001,0x7e57/0x0002,0x7e57/0x0003";

class VirtualGamepad {
 public:
  // Plugs it in; product: 1 to 3. Of another type than a game controller,
  // SDL knows no layout for it.
  explicit VirtualGamepad(std::string name, std::uint16_t product = 1,
                          SDL_JoystickType type = SDL_JOYSTICK_TYPE_GAMECONTROLLER)
      : name_(std::move(name)) {
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = static_cast<std::uint16_t>(type);
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.vendor_id = kTestVendor;
    desc.product_id = product;
    desc.name = name_.c_str();
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index >= 0) joystick_ = SDL_JoystickOpen(index);
  }
  ~VirtualGamepad() { unplug(); }
  VirtualGamepad(const VirtualGamepad&) = delete;
  VirtualGamepad& operator=(const VirtualGamepad&) = delete;

  bool plugged() const { return joystick_ != nullptr; }

  // Values reach SDL's state when the reader next pumps its events.
  void axis(SDL_GameControllerAxis which, std::int16_t value) {
    SDL_JoystickSetVirtualAxis(joystick_, which, value);
  }
  void button(SDL_GameControllerButton which, bool down) {
    SDL_JoystickSetVirtualButton(joystick_, which, down ? 1 : 0);
  }

  // Pulls it out.
  void unplug() {
    if (joystick_ == nullptr) return;
    const SDL_JoystickID id = SDL_JoystickInstanceID(joystick_);
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
      if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
    }
    SDL_JoystickClose(joystick_);
    joystick_ = nullptr;
  }

 private:
  std::string name_;
  SDL_Joystick* joystick_ = nullptr;
};
