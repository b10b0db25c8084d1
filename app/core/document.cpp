#include "core/document.h"

#include <utility>

#include "base/limits.h"
#include "base/paths.h"
#include "files/linereader.h"
#include "files/writers.h"

namespace vx {

Document::Document(Allocator& allocator, Host& host) : state(allocator), renderer(allocator), host_(host) {
  state.host = &host;
  state.graphCommandCheck = this;
}

void Document::replaceText(LineList lines, std::string folder) {
  text = std::move(lines);
  state.folder = std::move(folder);
  Edited = false;
}

Status Document::read(const std::string& path) {
  std::string bytes;
  const Status status = host_.readFile(path, kMaxTextBytes, bytes);
  if (failed(status)) return status;
  return readBytes(bytes, folderOfPath(path));
}

Status Document::readBytes(std::string_view bytes, std::string folder) {
  MemorySource source(bytes);
  LineList lines;
  const Status status = readLines(source, lines, *state.releaseProfile);
  if (failed(status)) return status;
  replaceText(std::move(lines), std::move(folder));
  return kOk;
}

void Document::readOpeningGraph() {
  LineList lines;
  readLinesFromText(kOpeningGraphText, lines);  // the built-in text always splits
  replaceText(std::move(lines), "");
}

bool Document::acceptGraphCommand(LangState& s) {
  // Built aside, so that a refused command leaves the previous job whole.
  RenderJob candidate;
  const char* reason = nullptr;
  if (failed(buildRenderJob(s, candidate, &reason))) {
    jobRefusal = reason ? reason : "";
    return false;
  }
  job = candidate;
  return true;
}

const ExecResult& Document::execute() {
  jobRefusal.clear();
  result = executeGraphText(state, text);
  if (result.outcome == ExecOutcome::Graph) applyViewPreset(view, job.viewPreset());
  zoom = 1;
  Edited = false;
  return result;
}

Status Document::open(const std::string& path) {
  const Status status = read(path);
  if (!failed(status)) execute();
  return status;
}

Status Document::setText(std::string_view newText) {
  LineList lines;
  const Status status = readLinesFromText(newText, lines, *state.releaseProfile);
  if (failed(status)) return status;
  text = std::move(lines);
  execute();
  Edited = true;
  return kOk;
}

Status Document::draw(FrameBuffer& fb, RenderOptions options) {
  if (!hasGraph()) return kNoGraph;
  if (job.usesTime()) state.value(kTime) = host_.clockSeconds();
  if (!options.host) options.host = &host_;
  return renderPicture(renderer, state, job, view, zoom, fb, options);
}

Status Document::encode(GraphFileForm form, std::uint8_t seed, std::string& bytes) const {
  StringSink sink;
  const Status status = form == GraphFileForm::Binary ? writeBinary(sink, text, seed) : writeAscii(sink, text);
  if (!failed(status)) bytes = sink.take();
  return status;
}

Status Document::save(const std::string& path, GraphFileForm form, std::uint8_t seed) {
  std::string bytes;
  Status status = encode(form, seed, bytes);
  if (!failed(status)) status = host_.writeFile(path, bytes);
  if (!failed(status)) Edited = false;
  return status;
}

}  // namespace vx
