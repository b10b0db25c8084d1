#pragma once
// The texts the graphing program's dialogs and message boxes show. Line breaks
// are CR LF, as the static and edit controls expect them. The long texts explain
// a feature to someone who has never used it; the short ones are the program's
// fixed wording for prompts and refusals.
#include <string_view>

namespace vx {

// Explanatory texts of the dialogs, in menu order.
extern const std::string_view kEditText;          // first example, where to find more, the line rule
extern const std::string_view kColorText;         // inequality colours, solid colours and the effects
extern const std::string_view kBackgroundText;
extern const std::string_view kAnimateText;       // the five ways to animate
extern const std::string_view kVideoModeText;     // why more display colours help
extern const std::string_view kOpenPanelText;     // child panel of the Open file dialog
extern const std::string_view kSavePanelText;     // child panel of the Save file dialog
extern const std::string_view kSaveQuestionText;  // binary or ASCII
extern const std::string_view kPrintText;
extern const std::string_view kClipboardText;     // ends with the question the OK button answers
extern const std::string_view kInternetText;      // browsers, links and the MIME type
extern const std::string_view kScrollbarText;

// Prompts before a text that was edited is dropped.
extern const std::string_view kExitPromptText;
extern const std::string_view kOpenPromptText;

// Message boxes.
extern const std::string_view kColorNeedsGraphText;
extern const std::string_view kScrollbarNeedsGraphText;
extern const std::string_view kVideoModeRefusalText;  // an effect chosen on a 256-colour display

// Status-bar part 1 while the scroll bar is bound to nothing.
extern const std::string_view kScrollbarOffStatus;

}  // namespace vx
