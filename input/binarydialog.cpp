#include "input/binarydialog.h"

#include "app/app.h"
#include "input/binaryeditor.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

BinaryDialog::BinaryDialog(QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("%1: Binary input").arg(app::name()));

    editor = new BinaryEditor;
    sizeLabel = new QLabel;
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Binary data:")));
    layout->addWidget(editor);
    layout->addWidget(sizeLabel, 0, Qt::AlignRight);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(editor, &BinaryEditor::enterPressed, this, &QDialog::accept);
    connect(editor, &QPlainTextEdit::textChanged, this, &BinaryDialog::updateSizeLabel);

    updateSizeLabel();
}

BinaryDialog::~BinaryDialog() = default;

void BinaryDialog::setMaxDataSize(int size) {
    m_maxDataSize = size;
    updateSizeLabel();
}

QByteArray BinaryDialog::data() const {
    QByteArray bytes = editor->data();
    if (m_maxDataSize <= 0)
        return bytes;
    if (bytes.size() > m_maxDataSize)
        bytes.truncate(m_maxDataSize);
    else if (bytes.size() < m_maxDataSize)
        bytes.append(m_maxDataSize - bytes.size(), '\0');
    return bytes;
}

void BinaryDialog::setData(const QByteArray& bytes) {
    editor->setData(bytes);
}

QByteArray BinaryDialog::get(int maxDataSize, QWidget* parent) {
    // The parent may go away while the dialog runs; the guard then knows
    // the dialog went with it.
    QPointer<BinaryDialog> dialog = new BinaryDialog(parent);
    dialog->setMaxDataSize(maxDataSize);
    dialog->updateSizeLabel();
    const int result = dialog->exec();
    QByteArray bytes;
    if (dialog && result == QDialog::Accepted)
        bytes = dialog->data();
    delete dialog;
    return bytes;
}

void BinaryDialog::updateSizeLabel() {
    const qsizetype n = editor->data().size();
    const QString size =
        m_maxDataSize >= 1 ? QStringLiteral("%1/%2").arg(n).arg(m_maxDataSize) : QString::number(n);
    sizeLabel->setText(QStringLiteral("%1: %2").arg(tr("Size"), size));
}
