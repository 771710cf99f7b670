#pragma once

#include "export/export_options.h"

#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <span>

class QLabel;
class QLineEdit;
class QPushButton;

namespace pq {

class SavePanelAccessory;

// Asks where to export and how: the folder (typed, or picked with "Choose…", where folders can
// be created) and the export options below it. The "Choose" button confirms; it refuses, with
// an alert, a folder that does not exist and options that would make unusable files (a zoom
// below 1 or too large), so that nothing is written with them.
class ExportDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Select a folder where to save your icon";
    static constexpr const char* kConfirmTitle = "Choose";

    explicit ExportDialog(QWidget* parent = nullptr);

    SavePanelAccessory* accessory() const { return m_accessory; }
    QLineEdit* folderField() const { return m_folderField; }
    QPushButton* browseButton() const { return m_browseButton; }
    QPushButton* chooseButton() const { return m_chooseButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }
    // The folder chosen (as typed or picked), without trailing separators.
    QString folder() const;
    // The alert on show over the dialog, if one is open.
    QMessageBox* currentAlert() const { return m_alert; }

    void accept() override;

private:
    void browse();
    void updateChooseButton();
    void showAlert(const QString& title, const QString& informativeText);

    QLabel* m_message = nullptr;
    QLineEdit* m_folderField = nullptr;
    QPushButton* m_browseButton = nullptr;
    SavePanelAccessory* m_accessory = nullptr;
    QPushButton* m_chooseButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPointer<QMessageBox> m_alert;
};

// The sentence telling why export options were refused, naming the field and its limits.
QString exportOptionsErrorText(ExportOptionsError error, const ExportOptions& options,
                               std::span<const std::int64_t> widths);

} // namespace pq
