#include "ui/go_to_offset_dialog.h"

#include "decoding/byte_offset.h"
#include "decoding/chunker.h"
#include "document/document_controller.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>


namespace pq {

GoToOffsetDialog::GoToOffsetDialog(const DocumentController& document, QWidget* parent)
    : QDialog(parent), m_document(document)
{
    setWindowTitle(tr("Go to Offset"));
    auto* prompt = new QLabel(tr("Byte offset (decimal, or hexadecimal after 0x):"), this);
    m_field = new QLineEdit(this);
    m_field->setPlaceholderText(QStringLiteral("0x2717"));
    prompt->setBuddy(m_field);
    m_message = new QLabel(this);
    m_message->setWordWrap(true);
    m_message->setForegroundRole(QPalette::BrightText);
    m_message->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Go"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(m_field);
    layout->addWidget(m_message);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &GoToOffsetDialog::go);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_field, &QLineEdit::textEdited, m_message, &QLabel::hide);
}

std::optional<std::int64_t> GoToOffsetDialog::parseOffset(const QString& text)
{
    return parseByteOffset(text.trimmed().toStdString());
}

std::expected<std::int64_t, QString> GoToOffsetDialog::tileForOffset(const Chunker* chunker, std::int64_t offset)
{
    if (!chunker)
        return std::unexpected(tr("Open a file first."));
    const IconFormat format = chunker->format();
    const QString name = tr("%1-bit %2x%2").arg(format.bitDepth).arg(format.pixelsPerSide());
    if (chunker->tileCount() <= 0)
        return std::unexpected(tr("The file is too short for %1 icons: there are no tiles.").arg(name));
    if (const auto tile = chunker->tileShowing(offset))
        return *tile;
    // The last tile of the last shift shows the last chunk that ends before the last byte.
    const std::int64_t lastOffset = chunker->source()->size() - format.chunkLength() - 1;
    return std::unexpected(tr("No tile shows offset %1: with %2 icons the tiles show offsets 0 to %3.")
                               .arg(offset)
                               .arg(name)
                               .arg(lastOffset));
}

void GoToOffsetDialog::go()
{
    const auto offset = parseOffset(m_field->text());
    if (!offset) {
        m_message->setText(tr("\"%1\" is no byte offset: type decimal digits, or 0x and hexadecimal digits.")
                               .arg(m_field->text().trimmed()));
        m_message->show();
        return;
    }
    const Chunker* chunker = m_document.chunker() ? &*m_document.chunker() : nullptr;
    if (auto tile = tileForOffset(chunker, *offset); !tile) {
        m_message->setText(tile.error());
        m_message->show();
        return;
    }
    emit offsetChosen(*offset, chunker->format());
    accept();
}

} // namespace pq
