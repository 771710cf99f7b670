#pragma once

#include "decoding/icon_format.h"

#include <QDialog>

#include <cstdint>
#include <expected>
#include <optional>

class QLabel;
class QLineEdit;

namespace pq {

class Chunker;
class DocumentController;

// Go to Offset: the user types a byte offset, in decimal or with 0x in hexadecimal; the
// dialog emits it with the decoder's current format (the window has the browser set its slider
// and select and centre the tile that shows it) and closes. An offset no tile shows is refused
// with a message in the dialog, which stays open.
class GoToOffsetDialog : public QDialog {
    Q_OBJECT
public:
    explicit GoToOffsetDialog(const DocumentController& document, QWidget* parent = nullptr);

    QLineEdit* offsetField() const { return m_field; }
    QLabel* messageLabel() const { return m_message; }

    // Decimal digits, or 0x / 0X and hexadecimal digits, surrounding blanks allowed; empty for
    // anything else, negative numbers and numbers past the 64-bit range included.
    static std::optional<std::int64_t> parseOffset(const QString& text);
    // The tile (for the decoder's current format) that shows `offset` at some slider value,
    // or the sentence telling why there is none.
    static std::expected<std::int64_t, QString> tileForOffset(const Chunker* chunker, std::int64_t offset);

    // Goes to the typed offset and closes, or shows why it cannot.
    void go();

signals:
    void offsetChosen(std::int64_t offset, pq::IconFormat format);

private:
    const DocumentController& m_document;
    QLineEdit* m_field = nullptr;
    QLabel* m_message = nullptr;
};

} // namespace pq
