#pragma once

#include "export/export_options.h"

#include <QWidget>

#include <cstdint>
#include <vector>

class QCheckBox;
class QComboBox;
class QIntValidator;
class QLabel;
class QLineEdit;

namespace pq {

// The export options shown below the folder chooser: four groups (image, text, 3D, SVG),
// each with its switch, the controls that switch governs and, for image, text and SVG, a
// zoom field and a label giving the size of the files for every icon width about to be
// exported. The five switches are kept in the settings as soon as they are clicked.
class SavePanelAccessory : public QWidget {
    Q_OBJECT
public:
    explicit SavePanelAccessory(QWidget* parent = nullptr);

    // The pixel widths of the icons about to be exported, one per distinct width; [32]
    // until set. Setting them also caps the zoom fields so that no file gets too large.
    const std::vector<std::int64_t>& widthInPixels() const { return m_widthInPixels; }
    void setWidthInPixels(std::vector<std::int64_t> widths);
    bool canDisplayExportAsText() const { return m_canDisplayExportAsText; }
    void setCanDisplayExportAsText(bool can) { m_canDisplayExportAsText = can; }

    // Prepares the panel for these bookmarks: their distinct widths, the three size labels,
    // and text export offered exactly when one of them is a 1-bit icon.
    void prepareFor(const std::vector<Bookmark>& bookmarks);

    // Enables each group's controls exactly when its switch is on and hides its size label
    // when it is off. Never changes a switch.
    void refreshControls();
    // Enables the text switch and zoom controls exactly when text can be offered and hides
    // the text size label when it cannot; the text switch keeps its state.
    void applyTextAvailability();

    void updateImageSizeLabel(std::int64_t zoomFactor);
    void updateTextSizeLabel(std::int64_t zoomFactor);
    void updateSVGSizeLabel(std::int64_t zoomFactor);

    // The options as the controls show them now (a zoom field's value is the leading
    // integer of its text, 0 when it has none; no image format selected reads as "PNG").
    ExportOptions options() const;

    QCheckBox* exportAsImageCheckbox() const { return m_exportAsImageCheckbox; }
    QComboBox* imageFormatPopup() const { return m_imageFormatPopup; }
    QLabel* imageZoomFactorLabel() const { return m_imageZoomFactorLabel; }
    QLineEdit* imageZoomFactorValue() const { return m_imageZoomFactorValue; }
    QLabel* resultingImageDimensions() const { return m_resultingImageDimensions; }
    QCheckBox* coordinatesOverlay() const { return m_coordinatesOverlay; }
    QCheckBox* exportAsTextCheckbox() const { return m_exportAsTextCheckbox; }
    QLabel* textZoomFactorLabel() const { return m_textZoomFactorLabel; }
    QLineEdit* textZoomFactorValue() const { return m_textZoomFactorValue; }
    QLabel* resultingTextDimensions() const { return m_resultingTextDimensions; }
    QCheckBox* exportAs3DCheckbox() const { return m_exportAs3DCheckbox; }
    QComboBox* threeDFormatPopup() const { return m_threeDFormatPopup; }
    QCheckBox* exportAsSVGCheckbox() const { return m_exportAsSVGCheckbox; }
    QLabel* svgZoomFactorLabel() const { return m_svgZoomFactorLabel; }
    QLineEdit* svgZoomFactorValue() const { return m_svgZoomFactorValue; }
    QLabel* resultingSVGDimensions() const { return m_resultingSVGDimensions; }

private:
    void resetInterface();
    void controlTextDidChange(QLineEdit* field);
    void updateZoomCaps();
    void saveSwitches();

    QCheckBox* m_exportAsImageCheckbox = nullptr;
    QComboBox* m_imageFormatPopup = nullptr;
    QLabel* m_imageZoomFactorLabel = nullptr;
    QLineEdit* m_imageZoomFactorValue = nullptr;
    QLabel* m_resultingImageDimensions = nullptr;
    QCheckBox* m_coordinatesOverlay = nullptr;
    QCheckBox* m_exportAsTextCheckbox = nullptr;
    QLabel* m_textZoomFactorLabel = nullptr;
    QLineEdit* m_textZoomFactorValue = nullptr;
    QLabel* m_resultingTextDimensions = nullptr;
    QCheckBox* m_exportAs3DCheckbox = nullptr;
    QComboBox* m_threeDFormatPopup = nullptr;
    QCheckBox* m_exportAsSVGCheckbox = nullptr;
    QLabel* m_svgZoomFactorLabel = nullptr;
    QLineEdit* m_svgZoomFactorValue = nullptr;
    QLabel* m_resultingSVGDimensions = nullptr;
    QIntValidator* m_imageZoomValidator = nullptr;
    QIntValidator* m_textZoomValidator = nullptr;
    QIntValidator* m_svgZoomValidator = nullptr;

    bool m_canDisplayExportAsText = true;
    std::vector<std::int64_t> m_widthInPixels = initialWidthsInPixels();
};

} // namespace pq
