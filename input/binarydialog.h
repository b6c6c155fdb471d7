#pragma once

#include <QByteArray>
#include <QDialog>

class BinaryEditor;
class QLabel;

// Modal entry of the raw payload of a binary write.
class BinaryDialog : public QDialog {
    Q_OBJECT
public:
    explicit BinaryDialog(QWidget* parent = nullptr);
    ~BinaryDialog() override;

    int maxDataSize() const { return m_maxDataSize; }
    void setMaxDataSize(int size);

    // With a maximum of 1 or more, exactly that many bytes: cut or zero-padded.
    QByteArray data() const;
    void setData(const QByteArray& bytes);

    // Runs the dialog; an empty array unless it was accepted.
    static QByteArray get(int maxDataSize, QWidget* parent = nullptr);

public slots:
    void updateSizeLabel();

private:
    BinaryEditor* editor = nullptr;
    QLabel* sizeLabel = nullptr;
    int m_maxDataSize = 0;
};
