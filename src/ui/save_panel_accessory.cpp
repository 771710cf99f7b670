#include "ui/save_panel_accessory.h"

#include "export/image_file_writer.h"
#include "ui/export_size_label.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSettings>

#include <algorithm>
#include <climits>

namespace pq {
namespace {

QLineEdit* makeZoomField(std::int64_t initial, QIntValidator*& validator, QWidget* parent)
{
    auto* field = new QLineEdit(QString::number(initial), parent);
    validator = new QIntValidator(1, INT_MAX, field);
    // Digits only: a group separator would be read as the end of the number.
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    validator->setLocale(c);
    field->setValidator(validator);
    field->setMaximumWidth(90);
    return field;
}

int capForField(std::int64_t largest)
{
    return static_cast<int>(std::clamp<std::int64_t>(largest, 1, INT_MAX));
}

} // namespace

SavePanelAccessory::SavePanelAccessory(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("SavePanelAccessory"));
    const ExportOptions defaults;
    const ExportOptions stored = loadExportSwitches(QSettings());

    m_exportAsImageCheckbox = new QCheckBox(tr("Export as image"), this);
    m_imageFormatPopup = new QComboBox(this);
    m_imageFormatPopup->addItems(imageFormatTitles());
    m_imageFormatPopup->setCurrentIndex(m_imageFormatPopup->findText(defaults.imageFormat));
    m_imageZoomFactorLabel = new QLabel(tr("Zoom factor:"), this);
    m_imageZoomFactorValue = makeZoomField(defaults.imageZoom, m_imageZoomValidator, this);
    m_resultingImageDimensions = new QLabel(this);
    m_coordinatesOverlay = new QCheckBox(tr("Coordinates overlay"), this);

    m_exportAsTextCheckbox = new QCheckBox(tr("Export as text"), this);
    m_textZoomFactorLabel = new QLabel(tr("Zoom factor:"), this);
    m_textZoomFactorValue = makeZoomField(defaults.textZoom, m_textZoomValidator, this);
    m_resultingTextDimensions = new QLabel(this);

    m_exportAs3DCheckbox = new QCheckBox(tr("Export as 3D scene"), this);
    m_threeDFormatPopup = new QComboBox(this);
    m_threeDFormatPopup->addItems(sceneFormatTitles());
    m_threeDFormatPopup->setCurrentIndex(defaults.sceneIsCollada ? 0 : 1);

    m_exportAsSVGCheckbox = new QCheckBox(tr("Export as SVG"), this);
    m_svgZoomFactorLabel = new QLabel(tr("Zoom factor:"), this);
    m_svgZoomFactorValue = makeZoomField(defaults.svgZoom, m_svgZoomValidator, this);
    m_resultingSVGDimensions = new QLabel(this);

    m_exportAsImageCheckbox->setChecked(stored.exportImage);
    m_coordinatesOverlay->setChecked(stored.imageCoordinatesOverlay);
    m_exportAsTextCheckbox->setChecked(stored.exportText);
    m_exportAs3DCheckbox->setChecked(stored.export3D);
    m_exportAsSVGCheckbox->setChecked(stored.exportSVG);

    auto* grid = new QGridLayout(this);
    grid->setColumnStretch(3, 1);
    int row = 0;
    const auto addZoomRow = [&](QLabel* caption, QLineEdit* field, QLabel* size) {
        grid->addWidget(caption, row, 1);
        grid->addWidget(field, row, 2);
        grid->addWidget(size, row, 3);
        ++row;
    };
    grid->addWidget(m_exportAsImageCheckbox, row, 0);
    grid->addWidget(m_imageFormatPopup, row++, 1, 1, 2);
    addZoomRow(m_imageZoomFactorLabel, m_imageZoomFactorValue, m_resultingImageDimensions);
    grid->addWidget(m_coordinatesOverlay, row++, 1, 1, 3);
    grid->addWidget(m_exportAsTextCheckbox, row++, 0);
    addZoomRow(m_textZoomFactorLabel, m_textZoomFactorValue, m_resultingTextDimensions);
    grid->addWidget(m_exportAs3DCheckbox, row, 0);
    grid->addWidget(m_threeDFormatPopup, row++, 1, 1, 2);
    grid->addWidget(m_exportAsSVGCheckbox, row++, 0);
    addZoomRow(m_svgZoomFactorLabel, m_svgZoomFactorValue, m_resultingSVGDimensions);

    // Each group follows its switch; every switch is kept as soon as it is clicked.
    for (QCheckBox* box : {m_exportAsImageCheckbox, m_exportAsTextCheckbox, m_exportAs3DCheckbox, m_exportAsSVGCheckbox})
        connect(box, &QCheckBox::clicked, this, &SavePanelAccessory::resetInterface);
    for (QCheckBox* box : {m_exportAsImageCheckbox, m_coordinatesOverlay, m_exportAsTextCheckbox, m_exportAs3DCheckbox,
                           m_exportAsSVGCheckbox})
        connect(box, &QCheckBox::clicked, this, &SavePanelAccessory::saveSwitches);
    // The ruler's margin cell makes images larger, so it lowers the image zoom's cap.
    connect(m_coordinatesOverlay, &QCheckBox::toggled, this, &SavePanelAccessory::updateZoomCaps);
    for (QLineEdit* field : {m_imageZoomFactorValue, m_textZoomFactorValue, m_svgZoomFactorValue})
        connect(field, &QLineEdit::textChanged, this, [this, field] { controlTextDidChange(field); });

    updateZoomCaps();
    updateImageSizeLabel(integerValueOfText(m_imageZoomFactorValue->text()));
    updateTextSizeLabel(integerValueOfText(m_textZoomFactorValue->text()));
    updateSVGSizeLabel(integerValueOfText(m_svgZoomFactorValue->text()));
    refreshControls();
}

void SavePanelAccessory::setWidthInPixels(std::vector<std::int64_t> widths)
{
    m_widthInPixels = std::move(widths);
    updateZoomCaps();
}

void SavePanelAccessory::prepareFor(const std::vector<Bookmark>& bookmarks)
{
    setWidthInPixels(widthsInPixels(bookmarks));
    updateImageSizeLabel(integerValueOfText(m_imageZoomFactorValue->text()));
    updateTextSizeLabel(integerValueOfText(m_textZoomFactorValue->text()));
    updateSVGSizeLabel(integerValueOfText(m_svgZoomFactorValue->text()));
    setCanDisplayExportAsText(pq::canDisplayExportAsText(bookmarks));
    applyTextAvailability();
}

void SavePanelAccessory::refreshControls()
{
    const bool image = m_exportAsImageCheckbox->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{m_imageFormatPopup, m_imageZoomFactorLabel, m_imageZoomFactorValue,
                                                      m_coordinatesOverlay})
        w->setEnabled(image);
    m_resultingImageDimensions->setHidden(!image);

    const bool text = m_exportAsTextCheckbox->isChecked();
    m_textZoomFactorLabel->setEnabled(text);
    m_textZoomFactorValue->setEnabled(text);
    m_resultingTextDimensions->setHidden(!text);

    m_threeDFormatPopup->setEnabled(m_exportAs3DCheckbox->isChecked());

    const bool svg = m_exportAsSVGCheckbox->isChecked();
    m_svgZoomFactorLabel->setEnabled(svg);
    m_svgZoomFactorValue->setEnabled(svg);
    m_resultingSVGDimensions->setHidden(!svg);
}

void SavePanelAccessory::applyTextAvailability()
{
    m_exportAsTextCheckbox->setEnabled(m_canDisplayExportAsText);
    m_textZoomFactorLabel->setEnabled(m_canDisplayExportAsText);
    m_textZoomFactorValue->setEnabled(m_canDisplayExportAsText);
    m_resultingTextDimensions->setHidden(!m_canDisplayExportAsText);
}

void SavePanelAccessory::updateImageSizeLabel(std::int64_t zoomFactor)
{
    m_resultingImageDimensions->setText(sizeLabelText(SizeLabel::Image, m_widthInPixels, zoomFactor));
}

void SavePanelAccessory::updateTextSizeLabel(std::int64_t zoomFactor)
{
    m_resultingTextDimensions->setText(sizeLabelText(SizeLabel::Text, m_widthInPixels, zoomFactor));
}

void SavePanelAccessory::updateSVGSizeLabel(std::int64_t zoomFactor)
{
    m_resultingSVGDimensions->setText(sizeLabelText(SizeLabel::SVG, m_widthInPixels, zoomFactor));
}

ExportOptions SavePanelAccessory::options() const
{
    ExportOptions options;
    options.exportImage = m_exportAsImageCheckbox->isChecked();
    options.imageCoordinatesOverlay = m_coordinatesOverlay->isChecked();
    options.exportText = m_exportAsTextCheckbox->isChecked();
    options.export3D = m_exportAs3DCheckbox->isChecked();
    options.exportSVG = m_exportAsSVGCheckbox->isChecked();
    options.imageFormat = m_imageFormatPopup->currentIndex() >= 0 ? m_imageFormatPopup->currentText()
                                                                  : QStringLiteral("PNG");
    options.imageZoom = integerValueOfText(m_imageZoomFactorValue->text());
    options.textZoom = integerValueOfText(m_textZoomFactorValue->text());
    options.svgZoom = integerValueOfText(m_svgZoomFactorValue->text());
    options.sceneIsCollada = m_threeDFormatPopup->currentIndex() >= 0 && isColladaTitle(m_threeDFormatPopup->currentText());
    return options;
}

void SavePanelAccessory::resetInterface() { refreshControls(); }

void SavePanelAccessory::controlTextDidChange(QLineEdit* field)
{
    const std::int64_t value = integerValueOfText(field->text());
    if (field == m_imageZoomFactorValue)
        updateImageSizeLabel(value);
    else if (field == m_textZoomFactorValue)
        updateTextSizeLabel(value);
    else if (field == m_svgZoomFactorValue)
        updateSVGSizeLabel(value);
}

void SavePanelAccessory::updateZoomCaps()
{
    m_imageZoomValidator->setTop(capForField(maxImageZoom(m_widthInPixels, m_coordinatesOverlay->isChecked())));
    m_textZoomValidator->setTop(capForField(maxTextZoom(m_widthInPixels)));
    m_svgZoomValidator->setTop(capForField(maxSVGZoom()));
}

void SavePanelAccessory::saveSwitches()
{
    QSettings settings;
    saveExportSwitches(settings, options());
}

} // namespace pq
