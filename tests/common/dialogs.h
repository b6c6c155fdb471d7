#pragma once

#include <QString>

class QWidget;

namespace test {

// Answers an open file dialog with path and accepts it. False when widget is no file dialog
// or the dialog did not take the answer yet (call again on a later turn of the event loop).
bool acceptFileDialog(QWidget* widget, const QString& path);

} // namespace test
