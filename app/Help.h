#pragma once

class QWidget;

// Shows the help at a topic (1100, 1200, 1300, 1400 for the main window's tabs, 1800 for the assistant) in
// the help window, owned by the given window.
void ShowHelpTopic(QWidget* owner, int topic);
