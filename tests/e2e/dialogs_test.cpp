// The menu commands as a user goes through their dialogs: every dialog opens
// with its title and controls and closes on Escape or its close box without
// changing anything, and Animate's buttons switch continuous rotation; a text
// typed into Edit runs and is drawn; Save writes both forms through the
// system's file dialog and Open reads them back; Color and Background redraw as
// the tool draws the same options, and Escape discards.
#include <gtest/gtest.h>

#include <vector>

#include "driver.h"

namespace e2e {
namespace {

constexpr int kEditBox = 100;
constexpr int kEditHelp = 101;
constexpr int kSaveAscii = 6;
constexpr int kRotate = 337;

std::wstring quoted(const std::string& unixPath) { return L"\"" + windowsPath(unixPath) + L"\""; }

// A text's non-empty lines, as the program keeps them.
std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\r\n") + line;
  return text;
}

// The graph file with option lines put before its last line (the graph command).
std::string withOptions(const std::string& graphFile, const std::vector<std::string>& options) {
  std::vector<std::string> lines = linesOf(readTextFile(graphFile));
  lines.insert(lines.end() - 1, options.begin(), options.end());
  return joined(lines) + "\r\n";
}

bool isChecked(HWND dialog, int id) {
  return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Closes a dialog as a user would: Escape, or the close box.
enum class Closing { Escape, CloseBox };
void closeDialog(HWND dialog, Closing how) {
  if (how == Closing::Escape) {
    pressKey(dialog, VK_ESCAPE);
  } else {
    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  }
  EXPECT_TRUE(waitUntilClosed(dialog)) << "the dialog stayed open";
}

// The file-name field of the explorer-style file dialog: an edit (edt1) or a
// combo box (cmb13), depending on the system's version of the dialog.
HWND fileNameField(HWND dialog) {
  if (HWND edit = GetDlgItem(dialog, 0x480)) return edit;
  return GetDlgItem(dialog, 0x47C);
}

// Types `path` into the open file dialog and presses its default button.
bool chooseFile(HWND dialog, const std::string& path) {
  HWND field = fileNameField(dialog);
  if (!field) return false;
  SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(windowsPath(path).c_str()));
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  return waitUntilClosed(dialog);
}

// The dialog deactivates the window, so frames say nothing until it is gone:
// waits for status part 0 to show `command`, then for the frames to settle.
Snapshot waitForGraph(const Program& program, const std::string& command) {
  const bool shown = waitUntil([&] { return E2E_TEXT(program.snapshot(), statusText[0]) == command; });
  EXPECT_TRUE(shown) << "status part 0 never showed " << command;
  return program.settle();
}

// Waits for the frame a changed picture asks for, then for the frames to settle.
Snapshot waitForRedraw(const Program& program, std::uint32_t framesBefore) {
  EXPECT_TRUE(waitUntil([&] { return E2E_FIELD(program.snapshot(), frameCount) != framesBefore; }))
      << "no frame after the dialog";
  return program.settle();
}

void expectSamePicture(const Picture& expected, const Picture& shown, const char* what) {
  const Difference d = comparePictures(expected, shown, expected.height - 1);
  EXPECT_EQ(d.count, 0) << what << ": " << describe(d);
}

struct ControlText {
  int id;
  const wchar_t* text;
};

struct MenuDialog {
  int command;
  const wchar_t* title;
  int focus;  // the control that has the keyboard focus at first, or -1 unchecked
  std::vector<ControlText> controls;
  Closing closing;
};

TEST(Display24, EveryMenuCommandShowsItsDialogAndClosingChangesNothing) {
  const std::string graph = dataFile("static.vlx");
  auto program = Program::start(quoted(graph));
  ASSERT_TRUE(program);
  const Snapshot before = program->settle();
  const Picture picture = shownPicture(*program, before);
  ASSERT_TRUE(emptyClipboard());

  const std::vector<MenuDialog> dialogs = {
      {1, L"Veltrix Edit", kEditBox, {{IDOK, L"&Execute"}, {IDCANCEL, L"&Cancel"}, {kEditHelp, L"&Help"}},
       Closing::Escape},
      {2, L"Veltrix Scrollbar", IDOK,
       {{100, L"  Off"}, {103, L"  Z slice"}, {104, L"  A variable"}, {113, L"  Vector highlight"},
        // Surface shading's value, minimum and maximum, with four digits.
        {132, L".6"}, {133, L"0"}, {134, L"1"}, {IDOK, L"&OK"}},
       Closing::Escape},
      {3, L"Veltrix Color", IDOK,
       {{100, L"  ByHeight (z coordinate)"}, {112, L"  Magenta"}, {113, L"  ByHeight (z coordinate)"},
        {125, L"  Magenta"}, {IDOK, L"&OK"}},
       Closing::CloseBox},
      {4, L"Veltrix Background", IDOK, {{103, L"  Black"}, {112, L"  Magenta"}, {IDOK, L"&OK"}}, Closing::Escape},
      {5, L"Veltrix Animate", -1, {{IDOK, L"&Don't continuously rotate"}, {kRotate, L"&Continuously rotate"}},
       Closing::Escape},
      {6, L"Veltrix Video Mode", -1, {{IDOK, L"&OK"}}, Closing::CloseBox},
      {8, L"Veltrix Print", -1, {{IDOK, L"&OK"}}, Closing::Escape},
      {9, L"Veltrix Clipboard", -1, {{IDOK, L"&OK"}, {IDCANCEL, L"&Cancel"}}, Closing::Escape},
      {10, L"Veltrix Internet", -1, {{IDOK, L"&OK"}}, Closing::CloseBox},
      {12, L"Veltrix Help", IDOK, {{IDOK, L"&OK"}}, Closing::Escape},
  };
  for (const MenuDialog& expected : dialogs) {
    SCOPED_TRACE(narrow(expected.title));
    HWND dialog = program->openDialog(expected.command, expected.title);
    if (!dialog) continue;
    if (expected.focus >= 0) {
      EXPECT_EQ(focusedControl(dialog), expected.focus);
    }
    for (const ControlText& control : expected.controls) {
      EXPECT_EQ(narrow(controlText(dialog, control.id)), narrow(control.text)) << "control " << control.id;
    }
    switch (expected.command) {
      case 1: {
        EXPECT_EQ(narrow(controlText(dialog, kEditBox)), joined(linesOf(readTextFile(graph))));
        // Help opens over the Edit dialog and closes back to it.
        ASSERT_TRUE(pressButton(dialog, L"&Help"));
        HWND help = program->waitForWindow(L"Veltrix Help");
        ASSERT_TRUE(help) << "no help from the Edit dialog";
        EXPECT_EQ(GetWindow(help, GW_OWNER), dialog);
        closeDialog(help, Closing::Escape);
        EXPECT_TRUE(IsWindowVisible(dialog));
        break;
      }
      case 2:
        EXPECT_TRUE(isChecked(dialog, 100)) << "Off is not the choice";
        break;
      case 3:  // by height and black, the options' defaults
        EXPECT_TRUE(isChecked(dialog, 100) && isChecked(dialog, 116)) << "not the current colours";
        break;
      case 4:
        EXPECT_TRUE(isChecked(dialog, 105)) << "white is not the current background";
        break;
      case 12: {
        const std::string help = narrow(controlText(dialog, kEditBox));
        EXPECT_NEAR(static_cast<double>(help.size()), 18150.0, 1500.0);
        const std::size_t options = help.find("\r\nOPTIONS");
        EXPECT_LT(help.find("COMMON ERRORS"), options);
        EXPECT_NE(help.find("graph3d.resolution", options), std::string::npos) << "an option is missing";
        EXPECT_LT(options, help.find("\r\nHISTORY"));
        break;
      }
      default:
        break;
    }
    closeDialog(dialog, expected.closing);
  }

  {
    SCOPED_TRACE("Save: the file dialog with its panel; cancelling asks nothing more");
    HWND files = program->openDialog(7, L"Veltrix Save");
    ASSERT_TRUE(files);
    ASSERT_TRUE(fileNameField(files)) << "not a file dialog";
    const std::string panel = narrow(descendantText(files, 291));
    EXPECT_NEAR(static_cast<double>(panel.size()), 405.0, 60.0) << panel;
    EXPECT_NE(panel.find(".VLX"), std::string::npos) << panel;
    closeDialog(files, Closing::Escape);
    EXPECT_FALSE(program->waitForWindow(L"Veltrix Save", 500)) << "the form was asked after a cancelled file dialog";
  }

  // Nothing was chosen, copied or switched on; the picture is as it was.
  EXPECT_FALSE(clipboardHasMetafilePicture()) << "Escape in the Clipboard dialog copied";
  const Snapshot after = program->settle();
  EXPECT_EQ(E2E_FIELD(after, ScrollSelection), 100);
  EXPECT_FALSE(E2E_FIELD(after, control.rotation.on));
  EXPECT_FALSE(E2E_FIELD(after, document.Edited));
  EXPECT_EQ(E2E_TEXT(after, statusText[0]), E2E_TEXT(before, statusText[0]));
  expectSamePicture(picture, shownPicture(*program, after), "the picture changed");

  // Animate's two buttons switch continuous rotation on and off.
  HWND animate = program->openDialog(5, L"Veltrix Animate");
  ASSERT_TRUE(animate);
  ASSERT_TRUE(pressButton(animate, L"&Continuously rotate"));
  ASSERT_TRUE(waitUntilClosed(animate));
  ASSERT_TRUE(program->waitForFrames(5)) << "no frames while rotating";
  EXPECT_TRUE(E2E_FIELD(program->snapshot(), control.rotation.on));
  EXPECT_NE(E2E_FIELD(program->snapshot(), document.view.horizontal), E2E_FIELD(after, document.view.horizontal));
  animate = program->openDialog(5, L"Veltrix Animate");
  ASSERT_TRUE(animate);
  ASSERT_TRUE(pressButton(animate, L"&Don't continuously rotate"));
  ASSERT_TRUE(waitUntilClosed(animate));
  EXPECT_FALSE(E2E_FIELD(program->settle(), control.rotation.on));
}

// The Edit dialog with its box filled in as a user types; Execute (or Cancel).
void edit(const Program& program, const std::string& text, const wchar_t* button) {
  HWND dialog = program.openDialog(1, L"Veltrix Edit");
  ASSERT_TRUE(dialog);
  if (!text.empty()) SetDlgItemTextW(dialog, kEditBox, widen(text).c_str());
  ASSERT_TRUE(pressButton(dialog, button));
  ASSERT_TRUE(waitUntilClosed(dialog));
}

// What the Edit dialog shows of the program's text, line by line.
std::vector<std::string> shownText(const Program& program) {
  HWND dialog = program.openDialog(1, L"Veltrix Edit");
  if (!dialog) return {};
  const std::string text = narrow(controlText(dialog, kEditBox));
  closeDialog(dialog, Closing::Escape);
  return linesOf(text);
}

// Save through the file dialog and the question of the form.
void save(const Program& program, const std::string& path, int form) {
  HWND files = program.openDialog(7, L"Veltrix Save");
  ASSERT_TRUE(files);
  ASSERT_TRUE(chooseFile(files, path));
  HWND question = program.waitForWindow(L"Veltrix Save", 10000, files);
  ASSERT_TRUE(question && GetDlgItem(question, kSaveAscii)) << "no question of the form";
  ASSERT_TRUE(pressButton(question, form == kSaveAscii ? L"Save as &ASCII VLX file" : L"&Save as binary VLX file"));
  ASSERT_TRUE(waitUntilClosed(question));
}

void open(const Program& program, const std::string& path) {
  HWND files = program.openDialog(0, L"Veltrix Open");
  ASSERT_TRUE(files);
  ASSERT_TRUE(chooseFile(files, path));
}

const char kSphere[] = "graph3d( x^2 + y^2 + z^2 = 7 )";
const char kPlane[] = "graph3d( z = x/2 )";

TEST(Display24, EditedTextRunsSavesInBothFormsAndOpensAgain) {
  auto program = Program::start(quoted(dataFile("static.vlx")));
  ASSERT_TRUE(program);
  program->settle();

  // Typed with an empty line, which the program drops.
  const std::vector<std::string> sphere = {"graph3d.box := false", "graph3d.view := textbook",
                                           "graph3d.resolution := 15", "graph3d.color := green", kSphere};
  edit(*program, "graph3d.box := false\r\n\r\ngraph3d.view := textbook\r\ngraph3d.resolution := 15\r\n"
                 "graph3d.color := green\r\n" + std::string(kSphere), L"&Execute");
  Snapshot s = waitForGraph(*program, kSphere);
  EXPECT_TRUE(E2E_FIELD(s, document.Edited));
  const std::string sphereFile = workFolder() + "/typed-sphere.vlx";
  ASSERT_TRUE(writeTextFile(sphereFile, joined(sphere)));
  const Picture expected = renderAsShown(s, sphereFile, 32);
  ASSERT_GT(expected.width, 0);
  expectSamePicture(expected, shownPicture(*program, s), "the typed graph");

  // Cancel and Escape keep the text, the graph and Edited, whatever was typed;
  // so does Execute of a text with more after the end-of-file mark (Ctrl-Z).
  edit(*program, kPlane, L"&Cancel");
  EXPECT_EQ(shownText(*program), sphere);
  edit(*program, std::string(kPlane) + "\r\n\x1A\r\n" + kPlane, L"&Execute");
  EXPECT_EQ(shownText(*program), sphere);
  s = program->settle();
  EXPECT_EQ(E2E_TEXT(s, statusText[0]), kSphere);
  EXPECT_TRUE(E2E_FIELD(s, document.Edited));

  // Saved as binary (".vlx" added to the typed name): Edited is cleared, and
  // executing the unchanged text marks it edited again.
  const std::string binary = workFolder() + "/saved-binary";
  DeleteFileW(windowsPath(binary + ".vlx").c_str());
  save(*program, binary, IDOK);
  EXPECT_TRUE(waitUntil([&] { return !E2E_FIELD(program->snapshot(), document.Edited); })) << "Edited after Save";
  edit(*program, "", L"&Execute");
  EXPECT_TRUE(waitUntil([&] { return E2E_FIELD(program->snapshot(), document.Edited); }))
      << "Execute of the unchanged text did not mark it edited";

  // Another text, saved as ASCII: the file holds its lines.
  const std::vector<std::string> plane = {"graph3d.resolution := 9", kPlane};
  edit(*program, joined(plane), L"&Execute");
  waitForGraph(*program, kPlane);
  const std::string ascii = workFolder() + "/saved-ascii.vlx";
  DeleteFileW(windowsPath(ascii).c_str());
  save(*program, ascii, kSaveAscii);
  EXPECT_TRUE(waitUntil([&] { return !E2E_FIELD(program->snapshot(), document.Edited); })) << "Edited after Save";
  EXPECT_EQ(readTextFile(ascii), joined(plane) + "\r\n");

  // The binary file is no plain text, and the tool reads it back.
  const std::string stored = readTextFile(binary + ".vlx");
  EXPECT_EQ(stored.find("graph3d"), std::string::npos) << "the binary form holds plain text";
  const std::string converted = workFolder() + "/converted.vlx";
  EXPECT_EQ(runNative("'" + std::string(VELTRIX_E2E_TOOL) + "' convert --to ascii '" + binary + ".vlx' '" +
                      converted + "' > '" + converted + ".log' 2>&1"),
            0)
      << readTextFile(converted + ".log");
  EXPECT_EQ(linesOf(readTextFile(converted)), sphere);

  // Each form opens to its text, line for line.
  open(*program, binary + ".vlx");
  waitForGraph(*program, kSphere);
  EXPECT_EQ(shownText(*program), sphere);
  open(*program, ascii);
  s = waitForGraph(*program, kPlane);
  EXPECT_FALSE(E2E_FIELD(s, document.Edited));
  EXPECT_EQ(shownText(*program), plane);
}

// Clicks one choice or more in the Color or Background dialog, then closes it.
void chooseColors(const Program& program, int command, const wchar_t* title, std::initializer_list<int> choices,
                  bool ok) {
  HWND dialog = program.openDialog(command, title);
  ASSERT_TRUE(dialog);
  for (int id : choices) {
    ASSERT_TRUE(clickControl(dialog, id));
    ASSERT_TRUE(waitUntil([&] { return isChecked(dialog, id); })) << "choice " << id << " not checked";
  }
  if (ok) {
    ASSERT_TRUE(pressButton(dialog, L"&OK"));
    ASSERT_TRUE(waitUntilClosed(dialog));
  } else {
    closeDialog(dialog, command == 3 ? Closing::Escape : Closing::CloseBox);
  }
}

TEST(Display24, ColorAndBackgroundRedrawAsTheirOptionsAndEscapeDiscards) {
  const std::string graph = dataFile("static.vlx");
  auto program = Program::start(quoted(graph));
  ASSERT_TRUE(program);
  program->settle();

  struct Step {
    const char* what;
    int command;
    const wchar_t* title;
    int choice;
    std::vector<std::string> options;  // what the picture then shows
  };
  const Step steps[] = {
      {"surface red", 3, L"Veltrix Color", 107, {"graph3d.color := red"}},
      {"black background", 4, L"Veltrix Background", 103, {"graph3d.color := red", "graph3d.background := black"}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    const std::uint32_t frames = E2E_FIELD(program->snapshot(), frameCount);
    chooseColors(*program, step.command, step.title, {step.choice}, true);
    const Snapshot s = waitForRedraw(*program, frames);
    const std::string file = workFolder() + "/colored-" + std::to_string(step.choice) + ".vlx";
    ASSERT_TRUE(writeTextFile(file, withOptions(graph, step.options)));
    const Picture expected = renderAsShown(s, file, 32);
    ASSERT_GT(expected.width, 0);
    expectSamePicture(expected, shownPicture(*program, s), step.what);
  }

  // Other colours clicked, then Escape or the close box: nothing changes.
  const Snapshot s = program->settle();
  const Picture colored = shownPicture(*program, s);
  chooseColors(*program, 3, L"Veltrix Color", {111, 120}, false);
  chooseColors(*program, 4, L"Veltrix Background", {104}, false);
  program->askForFrame();
  ASSERT_TRUE(program->waitForFrames(1));
  expectSamePicture(colored, shownPicture(*program, program->settle()), "after discarded choices");
}

}  // namespace
}  // namespace e2e
