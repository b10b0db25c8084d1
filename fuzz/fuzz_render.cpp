// Fuzz target: arbitrary graph texts drawn into small pictures of both depths
// from varied view angles. Nothing may crash, trip a sanitizer or write outside
// the frame buffer. Texts whose grids are merely expensive are skipped, so that
// slowness by design does not hide real faults behind timeouts.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/fpu.h"
#include "base/memoryhost.h"
#include "render/framebuffer.h"
#include "render/render.h"
#include "render/renderjob.h"

namespace {

bool affordable(const vx::RenderJob& job) {
  if (job.parametric()) return std::int64_t(job.stepsU) * job.stepsV * job.graphCount <= 128 * 128;
  std::int64_t points = job.graphCount;
  for (const vx::AxisGrid& axis : job.axes) points *= axis.count;
  return points <= 48 * 48 * 48;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vx::setProgramFloatingPointMode();
  if (size < 3) return 0;
  const std::uint8_t settings = data[0];
  const float horizontal = (data[1] - 128) / 20.0f;
  const float elevation = (data[2] - 128) / 20.0f;
  std::string_view text(reinterpret_cast<const char*>(data + 3), size - 3);

  vx::Allocator allocator;
  vx::MemoryHost host;
  host.anyOtherFile = "3 3 2  0 1 0 1 2 1 0 1 0  1 0 1 0 -1 0 1 0 1";
  host.clock = 1.5;
  vx::LangState state(allocator);
  state.host = &host;
  vx::LineList lines = vx::LineList::fromText(text);
  vx::ExecResult result = vx::executeGraphText(state, lines);
  if (result.outcome != vx::ExecOutcome::Graph) return 0;
  vx::RenderJob job;
  if (vx::failed(vx::buildRenderJob(state, job)) || !affordable(job)) return 0;

  vx::Renderer renderer(allocator);
  vx::ViewRecord view;
  vx::applyViewPreset(view, job.viewPreset());
  if (settings & 1) {
    view.horizontal = horizontal;
    view.elevation = elevation;
    vx::updateEyeVector(view);
  }
  const float zoom = (settings & 2) ? 4.0f : 1.0f;
  const vx::PixelFormat format = (settings & 4) ? vx::PixelFormat::Indexed8 : vx::PixelFormat::Rgb32;
  vx::OwnedFrameBuffer picture(format, 96, 72);
  vx::renderPicture(renderer, state, job, view, zoom, picture.get());
  return 0;
}
