#pragma once

#include <QTextBlock>
#include <QTimer>
#include <QWidget>

#include <vector>

class QLabel;
class QLineEdit;
class QTextEdit;

// The find bar under the log: finds as the user types, steps through the matches (wrapping
// around) and counts them. The document is read in slices from the event loop, so a long log
// never freezes the window.
class FindBar : public QWidget {
    Q_OBJECT
public:
    explicit FindBar(QTextEdit* log, QWidget* parent = nullptr);

    bool isOpen() const { return !isHidden(); }
    // Shows the bar with the field focused and its text selected.
    void open();
    void dismiss();
    // Open the bar when it is closed.
    void next();
    void previous();

signals:
    void openChanged(bool open);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void restart();
    void scan();
    bool scanSlice();
    void step(int by);
    void select(int index);

    QTextEdit* m_log;
    QLineEdit* m_edit;
    QLabel* m_count;
    QTimer m_scanTimer;
    QString m_needle;
    QTextBlock m_block;         // the next block to read
    std::vector<int> m_matches; // document positions, in order
    int m_current = -1;
    int m_anchor = 0; // the first match at or after it is shown once the count is done
};
