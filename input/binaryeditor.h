#pragma once

#include <QByteArray>
#include <QPlainTextEdit>

// Plain text editor that takes only hex digits and spaces.
class BinaryEditor : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit BinaryEditor(QWidget* parent = nullptr);
    ~BinaryEditor() override;

    QByteArray data() const;
    void setData(const QByteArray& bytes);

    static bool validateSymbol(QChar c);

signals:
    void enterPressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    bool enterKeyDown = false;
};
