#pragma once

#include "at/line.h"

#include <QDialog>

class QComboBox;
class QSpinBox;

// The line's shape and the command line ending; every pick is announced at once.
class LineDialog : public QDialog {
    Q_OBJECT
public:
    explicit LineDialog(QWidget* parent);
    // Shows the settings without announcing them.
    void setValues(const at::LineSettings& line, at::LineEnding ending);
    at::LineSettings line() const;
    at::LineEnding lineEnding() const;

signals:
    void changed();

private:
    QComboBox* addCombo(const QString& name, const QString& label);

    QComboBox* m_dataBits;
    QComboBox* m_parity;
    QComboBox* m_stopBits;
    QComboBox* m_flowControl;
    QComboBox* m_lineEnding;
};

// Which control lines a pulse inverts, and for how long.
class PulseDialog : public QDialog {
    Q_OBJECT
public:
    // In order: DTR, RTS, DTR then RTS, RTS then DTR.
    enum Lines { Dtr, Rts, DtrThenRts, RtsThenDtr };
    explicit PulseDialog(QWidget* parent);
    void setValues(Lines lines, int ms);
    Lines lines() const;
    int ms() const;

private:
    QComboBox* m_lines;
    QSpinBox* m_time;
};
