#pragma once
// The graph document: what a front end holds for the graph file it shows, and the
// one road a graph file takes to a picture:
//
//   read (through the host: whole, bounded, ASCII or binary by its first byte)
//   -> execute (options reset, commands in order)
//   -> build the render job (while the last graph command is checked)
//   -> view preset (only when that command was accepted)
//   -> draw (renderPicture, with progress and cancel through the host)
//
// The command-line tool and the Windows program both take this road; neither
// assembles it by hand. The Document owns no window and calls no system routine.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/host.h"
#include "base/lines.h"
#include "lang/lang.h"
#include "render/render.h"
#include "render/renderjob.h"
#include "render/view.h"

namespace vx {

enum class GraphFileForm { Binary, Ascii };

class Document final : private GraphCommandCheck {
 public:
  Document(Allocator& allocator, Host& host);
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  // Reading replaces the text only when all of it was read and split; on failure
  // nothing changes and the status says why. Reading clears Edited and does not
  // execute (convert only reads).
  Status read(const std::string& path);
  // A graph file already in memory (standard input); data-file names are
  // resolved against `folder`.
  Status readBytes(std::string_view bytes, std::string folder);
  void readOpeningGraph();

  // Runs the current text: the outcome is what status-bar part 0 shows. A valid
  // last graph command builds the job and resets the view to its preset; a text
  // that ends otherwise keeps the previous job and view. The zoom returns to 1
  // and Edited is cleared.
  const ExecResult& execute();

  // The Open command: read, then execute.
  Status open(const std::string& path);
  // The Edit dialog's Execute: `text` (lines end at LF or CR LF) replaces the
  // text, runs, and marks it edited. A text the line rules refuse changes nothing.
  Status setText(std::string_view text);

  // Draws the job with the current view and zoom into `fb`, with `time` read
  // from the host for a time-dependent graph. kNoGraph before any graph command
  // was accepted; kCancelled when the host's progress answered stop.
  Status draw(FrameBuffer& fb, RenderOptions options = {});

  // Writes the text in either form through the host (temporary file, atomic
  // replace). Edited is cleared only when the whole file was written.
  Status save(const std::string& path, GraphFileForm form, std::uint8_t seed = 0);
  // The bytes save would write.
  Status encode(GraphFileForm form, std::uint8_t seed, std::string& bytes) const;

  bool hasGraph() const { return job.items != nullptr; }

  // The release whose language and file rules apply to the texts read and run
  // from now on (the current release unless set).
  void setRelease(const ReleaseProfile& release) { state.releaseProfile = &release; }

  LineList text;
  LangState state;
  RenderJob job;             // of the last accepted graph command
  ViewRecord view;
  float zoom = 1;
  Renderer renderer;         // letters, colour table, vertex pool between redraws
  ExecResult result;         // of the last execution
  std::string jobRefusal;    // why the last graph command's job could not be built
  bool Edited = false;

 private:
  bool acceptGraphCommand(LangState& state) override;
  void replaceText(LineList lines, std::string folder);

  Host& host_;
};

}  // namespace vx
