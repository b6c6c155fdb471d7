#pragma once

#include <QObject>
#include <QStringList>

class InputEdit;
class MainWidget;
class QAction;
class QMessageBox;
class QTimer;

// Sending exactly what is meant from the input line: Shift+Return sends it without a line end,
// the "Escapes" switch lets \r \n \t \\ \xHH stand for bytes, and a paste of several lines sends
// each as its own command once the user agrees.
class LineSender : public QObject {
    Q_OBJECT
public:
    explicit LineSender(MainWidget* window);

    // Entries for the window's menu, in order.
    QList<QAction*> actions() const;
    bool escaping() const;
    bool isPasting() const { return !m_lines.isEmpty() || m_confirm; }
    // Sends the input line as Enter does; without ending, nothing is added behind it.
    void enter(bool ending);
    // Takes a paste of several lines; false leaves the paste to the line itself.
    bool paste(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void send(const QString& text, bool ending);
    bool refuseBadEscape(const QString& text, const QString& where);
    void sendNextLine();
    void stopPaste();

    MainWidget* m_window;
    InputEdit* m_edit;
    QAction* m_bareAction;
    QAction* m_escapesAction;
    QMessageBox* m_confirm = nullptr;
    QStringList m_lines; // pasted lines still to go, in order
    int m_pasted = 0;    // lines of the running paste
    QTimer* m_pump;
};
