#include "ui/export_dialog.h"

#include "ui/save_panel_accessory.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace pq {
namespace {

QString tooSmall(const QString& field)
{
    return QStringLiteral("The %1 zoom factor must be a whole number of at least 1.").arg(field);
}

QString tooLarge(const QString& field, std::int64_t largest)
{
    return QStringLiteral("The %1 zoom factor can be at most %2 for these icons.").arg(field).arg(largest);
}

} // namespace

QString exportOptionsErrorText(ExportOptionsError error, const ExportOptions& options,
                               std::span<const std::int64_t> widths)
{
    switch (error) {
    case ExportOptionsError::UnknownImageFormat:
        return QStringLiteral("\u201C%1\u201D is not an image format this program writes: choose PNG, BMP or TIFF.")
            .arg(options.imageFormat);
    case ExportOptionsError::ImageZoomTooSmall: return tooSmall(QStringLiteral("image"));
    case ExportOptionsError::ImageZoomTooLarge:
        return tooLarge(QStringLiteral("image"), maxImageZoom(widths, options.imageCoordinatesOverlay));
    case ExportOptionsError::TextZoomTooSmall: return tooSmall(QStringLiteral("text"));
    case ExportOptionsError::TextZoomTooLarge: return tooLarge(QStringLiteral("text"), maxTextZoom(widths));
    case ExportOptionsError::SVGZoomTooSmall: return tooSmall(QStringLiteral("SVG"));
    case ExportOptionsError::SVGZoomTooLarge: return tooLarge(QStringLiteral("SVG"), maxSVGZoom());
    }
    return QStringLiteral("The export options cannot be used.");
}

ExportDialog::ExportDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("exportDialog"));
    setWindowTitle(QString::fromLatin1(kTitle));
    m_message = new QLabel(QString::fromLatin1(kTitle), this);

    m_folderField = new QLineEdit(this);
    m_folderField->setObjectName(QStringLiteral("folderField"));
    m_folderField->setPlaceholderText(tr("Folder"));
    m_browseButton = new QPushButton(tr("Choose…"), this);
    m_browseButton->setObjectName(QStringLiteral("browseButton"));
    m_browseButton->setAutoDefault(false);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(m_folderField, 1);
    folderRow->addWidget(m_browseButton);

    m_accessory = new SavePanelAccessory(this);

    auto* buttons = new QDialogButtonBox(this);
    m_cancelButton = buttons->addButton(QDialogButtonBox::Cancel);
    m_chooseButton = buttons->addButton(QString::fromLatin1(kConfirmTitle), QDialogButtonBox::AcceptRole);
    m_chooseButton->setObjectName(QStringLiteral("chooseButton"));
    m_chooseButton->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_message);
    layout->addLayout(folderRow);
    layout->addWidget(m_accessory);
    layout->addWidget(buttons);

    connect(m_browseButton, &QPushButton::clicked, this, &ExportDialog::browse);
    connect(m_folderField, &QLineEdit::textChanged, this, &ExportDialog::updateChooseButton);
    connect(buttons, &QDialogButtonBox::accepted, this, &ExportDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ExportDialog::reject);
    updateChooseButton();
}

QString ExportDialog::folder() const
{
    const QString text = m_folderField->text().trimmed();
    return text.isEmpty() ? QString() : QDir::cleanPath(text);
}

void ExportDialog::accept()
{
    const QString chosen = folder();
    if (chosen.isEmpty())
        return;
    if (!QFileInfo(chosen).isDir()) {
        showAlert(tr("No such folder"),
                  QStringLiteral("The folder \u201C%1\u201D does not exist. Choose an existing folder or create one "
                                 "with \u201CChoose\u2026\u201D.")
                      .arg(chosen));
        return;
    }
    const ExportOptions options = m_accessory->options();
    if (auto valid = validateExportOptions(options, m_accessory->widthInPixels()); !valid) {
        showAlert(tr("The export options cannot be used"),
                  exportOptionsErrorText(valid.error(), options, m_accessory->widthInPixels()));
        return;
    }
    QDialog::accept();
}

void ExportDialog::browse()
{
    auto* panel = new QFileDialog(this, QString::fromLatin1(kTitle), folder());
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setWindowModality(Qt::WindowModal);
    panel->setAcceptMode(QFileDialog::AcceptOpen);
    panel->setFileMode(QFileDialog::Directory);
    panel->setOption(QFileDialog::ShowDirsOnly, true);
    panel->setLabelText(QFileDialog::Accept, QString::fromLatin1(kConfirmTitle));
    connect(panel, &QFileDialog::fileSelected, this, [this](const QString& path) {
        if (!path.isEmpty())
            m_folderField->setText(QDir::toNativeSeparators(path));
    });
    panel->open();
}

void ExportDialog::updateChooseButton() { m_chooseButton->setEnabled(!folder().isEmpty()); }

void ExportDialog::showAlert(const QString& title, const QString& informativeText)
{
    auto* alert = new QMessageBox(QMessageBox::Warning, title, title, QMessageBox::Ok, this);
    alert->setInformativeText(informativeText);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    m_alert = alert;
    alert->open();
}

} // namespace pq
