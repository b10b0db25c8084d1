#pragma once
// Dialogs from compact templates (base/dialogtemplate.h): expanded each time one
// is shown, into a buffer sized first.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace vx {

// A compact template in the system's form, aligned for it; lives as long as the
// object (the file dialogs keep their child panel's template for their whole run).
class ExpandedTemplate {
 public:
  // kBadTemplate for a template that expansion refuses (nothing is kept).
  Status expand(std::string_view compactTemplate);
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  std::vector<std::uint32_t> words_;
};

// Expands `compactTemplate` and runs it modally over `owner` with `parameter` as
// the dialog's creation parameter. Returns the value the dialog passed to
// EndDialog, or a negative status when the template was refused (nothing is
// shown) or the system could not make the dialog.
INT_PTR ShowDialog(HWND owner, std::string_view compactTemplate, DLGPROC procedure, LPARAM parameter);

// A dialog procedure keeps its parameter in the dialog's user-data slot: stored
// at WM_INITDIALOG, read on every later message (nullptr before).
void storeDialogParameter(HWND dialog, LPARAM parameter);
template <typename T>
T* dialogParameter(HWND dialog) {
  return reinterpret_cast<T*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
}

}  // namespace vx
