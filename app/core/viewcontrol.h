#pragma once
// The view controls of the graphing program: the program clock, the seven view
// keys and how long each was held, continuous rotation, activation pausing the
// clock, and the part of every frame that turns held keys into rotation and zoom.
//
// Rotation and zoom are time-based: a frame turns by the milliseconds the keys
// were held since the previous frame, measured with the message times, so the
// speed depends neither on the keyboard's repeat rate nor on how long a picture
// takes to draw. Nothing here reads the system's clock: the Windows program
// passes its tick readings (GetTickCount) and message times (GetMessageTime).
//
// A frame, as the program runs it:
//   const std::uint32_t n = control.startFrame(tick);   // FrameWanted, frame clock
//   document.draw(...);                                   // the view as it stood
//   bool again = control.applyKeys(document);             // turn, zoom, HOME, eye
#include <cstdint>

#include "render/renderjob.h"
#include "render/view.h"

namespace vx {

class Document;

// Milliseconds since start-up, advanced from 32-bit tick readings; every value
// wraps modulo 2^32 and only differences are used.
struct ProgramClock {
  std::uint32_t lastTick = 0;
  std::uint32_t millis = 0;

  // The clock starts at 0 with this reading.
  void start(std::uint32_t tick);
  // Advances by the ticks since the last reading and returns the clock.
  std::uint32_t now(std::uint32_t tick);
  // The moment a message was posted (its message time), on the program clock.
  std::uint32_t atMessage(std::uint32_t tick, std::uint32_t messageTime);
  // A new reading that does not advance the clock: the time since the last one is dropped.
  void resume(std::uint32_t tick);
  // now() in seconds: the value of the variable `time`.
  double seconds(std::uint32_t tick);
};

// In the order of the key-hold records.
enum class ViewKey : int { Left, Right, Up, Down, Home, PageUp, PageDown };
inline constexpr int kViewKeyCount = 7;

// The view key of a Windows virtual key code, or -1 for every other key.
int viewKeyOfVirtualKey(std::uint32_t virtualKey);

struct KeyHold {
  std::uint32_t downAt = 0;  // clock milliseconds when the key went down (or was last consumed)
  // Held and not yet consumed. Signed: a release posted just before the frame
  // that already counted up to its start takes those few milliseconds back.
  std::int32_t held = 0;
  bool down = false;
};

// Switched by the Animate dialog: turns like a held right arrow at 3/8 the speed.
struct ContinuousRotation {
  std::uint32_t timestamp = 0;  // clock milliseconds already turned up to
  bool on = false;
  // Eighths of a key millisecond not yet turned: at hundreds of frames a second
  // each frame's share is below one, and dropping it would stop the rotation.
  std::uint8_t carry = 0;
};

struct FrameFlags {
  bool FrameWanted = false;
  bool TimeDependent = false;  // the graph shown animates with `time`
};

// Rates and limits of the frame.
inline constexpr double kRotationPerSecond = 0.8;  // radians per second of holding
inline constexpr double kZoomPerSecond = 0.25;
inline constexpr double kRotationStepLimit = 0.15;  // radians in one frame
inline constexpr double kZoomStepLimit = 0.1;

class ViewControl {
 public:
  explicit ViewControl(std::uint32_t startTick = 0) { clock.start(startTick); }

  // WM_KEYDOWN / WM_SYSKEYDOWN and WM_KEYUP / WM_SYSKEYUP of a view key. An
  // auto-repeated key-down changes nothing.
  void keyDown(ViewKey key, std::uint32_t tick, std::uint32_t messageTime);
  void keyUp(ViewKey key, std::uint32_t tick, std::uint32_t messageTime);

  // WM_ACTIVATE: deactivation (or minimising) stops the frames and brings the
  // clock up to that moment; activation drops the time spent inactive and
  // restarts the frames of a time-dependent graph.
  void activate(bool active, bool minimised, std::uint32_t tick);
  // The same from WM_ACTIVATE's wParam: state in the low byte, minimised in the high word.
  void activate(std::uint32_t wParam, std::uint32_t tick) {
    activate((wParam & 0xFF) != 0, (wParam >> 16) != 0, tick);
  }

  // The start of a frame: FrameWanted is cleared (set again for a time-dependent
  // graph) and the clock read; returns the frame clock.
  std::uint32_t startFrame(std::uint32_t tick);

  // After the picture is drawn: zoom, horizontal rotation (with continuous
  // rotation while a graph is shown), vertical rotation, HOME, and the eye vector
  // from the angles keeping its length. `job` is null when no graph is shown.
  // Returns FrameWanted: whether another frame should follow.
  bool applyKeys(ViewRecord& view, float& zoom, const RenderJob* job);
  bool applyKeys(Document& document);

  ProgramClock clock;
  std::uint32_t frameClock = 0;
  KeyHold keys[kViewKeyCount];
  ContinuousRotation rotation;
  FrameFlags flags;

 private:
  // The key's milliseconds since the last frame, each counted once.
  std::int32_t consume(ViewKey key);
  std::int64_t consumeDifference(ViewKey plus, ViewKey minus);
};

}  // namespace vx
