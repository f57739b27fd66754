#pragma once

class QTabWidget;

namespace tavimo {

// Ctrl+Tab and Ctrl+PageDown go to the next page of the tabs, Ctrl+Shift+Tab
// and Ctrl+PageUp to the previous one, from wherever the focus is in the
// window; the first control of the page shown takes the focus.
void addTabKeys(QTabWidget *tabs);

} // namespace tavimo
