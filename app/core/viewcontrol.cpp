#include "core/viewcontrol.h"

#include <algorithm>

#include "core/document.h"

namespace vx {

namespace {

// Windows virtual key codes of the view keys, in ViewKey order.
constexpr std::uint32_t kViewKeyCodes[kViewKeyCount] = {
    0x25,  // VK_LEFT
    0x27,  // VK_RIGHT
    0x26,  // VK_UP
    0x28,  // VK_DOWN
    0x24,  // VK_HOME
    0x21,  // VK_PRIOR (PAGE UP)
    0x22,  // VK_NEXT (PAGE DOWN)
};

// Sums of 32-bit millisecond counts, wrapping rather than overflowing.
std::int32_t addMillis(std::int32_t held, std::uint32_t more) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(held) + more);
}

// The step one frame takes for `millis` of holding at `perSecond`, never beyond `limit`.
double limitedStep(std::int64_t millis, double perSecond, double limit) {
  return std::clamp(double(millis) / 1000 * perSecond, -limit, limit);
}

float turned(float angle, std::int64_t millis) {
  if (millis == 0) return angle;
  return static_cast<float>(angle + limitedStep(millis, kRotationPerSecond, kRotationStepLimit));
}

}  // namespace

void ProgramClock::start(std::uint32_t tick) {
  lastTick = tick;
  millis = 0;
}

std::uint32_t ProgramClock::now(std::uint32_t tick) {
  millis += tick - lastTick;
  lastTick = tick;
  return millis;
}

std::uint32_t ProgramClock::atMessage(std::uint32_t tick, std::uint32_t messageTime) {
  return now(tick) + (messageTime - tick);
}

void ProgramClock::resume(std::uint32_t tick) { lastTick = tick; }

double ProgramClock::seconds(std::uint32_t tick) { return double(now(tick)) / 1000; }

int viewKeyOfVirtualKey(std::uint32_t virtualKey) {
  for (int key = 0; key < kViewKeyCount; ++key)
    if (kViewKeyCodes[key] == virtualKey) return key;
  return -1;
}

void ViewControl::keyDown(ViewKey key, std::uint32_t tick, std::uint32_t messageTime) {
  KeyHold& hold = keys[int(key)];
  if (hold.down) return;  // the keyboard's auto-repeat
  flags.FrameWanted = true;
  hold.down = true;
  hold.downAt = clock.atMessage(tick, messageTime);
}

void ViewControl::keyUp(ViewKey key, std::uint32_t tick, std::uint32_t messageTime) {
  KeyHold& hold = keys[int(key)];
  if (!hold.down) return;
  hold.down = false;
  hold.held = addMillis(hold.held, clock.atMessage(tick, messageTime) - hold.downAt);
}

void ViewControl::activate(bool active, bool minimised, std::uint32_t tick) {
  if (!active || minimised) {
    if (!flags.FrameWanted) return;
    flags.FrameWanted = false;
    clock.now(tick);
    return;
  }
  if (flags.FrameWanted) return;
  flags.FrameWanted = flags.TimeDependent;
  clock.resume(tick);
}

std::uint32_t ViewControl::startFrame(std::uint32_t tick) {
  flags.FrameWanted = flags.TimeDependent;
  frameClock = clock.now(tick);
  return frameClock;
}

std::int32_t ViewControl::consume(ViewKey key) {
  KeyHold& hold = keys[int(key)];
  std::int32_t held = hold.held;
  hold.held = 0;
  if (hold.down) {
    flags.FrameWanted = true;
    held = addMillis(held, frameClock - hold.downAt);
    hold.downAt = frameClock;
  }
  return held;
}

std::int64_t ViewControl::consumeDifference(ViewKey plus, ViewKey minus) {
  const std::int64_t more = consume(plus);
  return more - consume(minus);
}

bool ViewControl::applyKeys(ViewRecord& view, float& zoom, const RenderJob* job) {
  const float zoomBefore = zoom, horizontalBefore = view.horizontal, elevationBefore = view.elevation;
  const std::int64_t zoomMillis = consumeDifference(ViewKey::PageUp, ViewKey::PageDown);
  const double zoomStep = limitedStep(zoomMillis, kZoomPerSecond, kZoomStepLimit);
  zoom = std::clamp(static_cast<float>(zoom + zoomStep), kZoomMinimum, kZoomMaximum);

  std::int64_t horizontal = consumeDifference(ViewKey::Left, ViewKey::Right);
  if (rotation.on && job) {
    flags.FrameWanted = true;
    const std::uint32_t elapsed = frameClock - rotation.timestamp;
    rotation.timestamp = frameClock;
    const std::int64_t eighths = std::int64_t(elapsed) * 3 + rotation.carry;
    rotation.carry = static_cast<std::uint8_t>(eighths % 8);
    horizontal -= eighths / 8;
  }
  view.horizontal = turned(view.horizontal, horizontal);
  view.elevation = turned(view.elevation, consumeDifference(ViewKey::Up, ViewKey::Down));

  // HOME pressed since the last frame, or still held: the view resets in every frame.
  const bool homeDown = keys[int(ViewKey::Home)].down;
  if (consume(ViewKey::Home) != 0 || homeDown) {
    flags.FrameWanted = true;
    zoom = 1.0f;
    int preset = job ? job->viewPreset() : kStandardView;
    if (preset > kTextbookView) preset = kStandardView;
    view.horizontal = kViewPresets[preset].horizontal;
    view.elevation = kViewPresets[preset].elevation;
  }

  // This frame's picture showed the view as it stood before the keys moved it:
  // one more frame draws where they left it, also after the last key is up.
  if (zoom != zoomBefore || view.horizontal != horizontalBefore || view.elevation != elevationBefore) {
    flags.FrameWanted = true;
  }
  updateEyeVector(view);
  return flags.FrameWanted;
}

bool ViewControl::applyKeys(Document& document) {
  return applyKeys(document.view, document.zoom, document.hasGraph() ? &document.job : nullptr);
}

}  // namespace vx
