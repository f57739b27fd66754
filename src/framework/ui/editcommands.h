#pragma once

class QWidget;

namespace tavimo {

enum class EditCommand { Cut, Copy, Paste };

// The standard editing command on a control of any kind: entries, memos,
// editable drop-down lists, spin boxes and date fields. Read-only controls,
// lists and selectable labels only copy. False when the control has nothing
// to do with the command.
bool applyEditCommand(EditCommand command, QWidget *control);

} // namespace tavimo
