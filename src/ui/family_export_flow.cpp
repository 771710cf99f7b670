#include "ui/family_export_flow.h"

#include "document/clipped_name.h"
#include "document/document_controller.h"
#include "export/family_export.h"
#include "ui/export_flow.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QTableWidget>

namespace pq {

namespace {

void writeFamily(DocumentController& document, const std::shared_ptr<const ByteSource>& bytes,
                 const std::vector<StructuredIcon>& icons, const QString& folder)
{
    const QString title = QObject::tr("The icon family could not be exported");
    const auto members = decodeFamilyMembers(bytes, icons);
    if (!members) {
        const StructuredIcon& icon = members.error().icon;
        document.screen().showError(title, QObject::tr("Its %1 member at offset %2 could not be decoded, as %3. Open the file "
                                                       "again if it changed on disk.")
                                               .arg(QString::fromStdString(icon.type))
                                               .arg(icon.offset)
                                               .arg(decodingProblem(members.error().error)));
        return;
    }
    const auto written = writeIconFamily(familyFileName(icons), *members, folder);
    if (!written) {
        document.screen().showError(title, exportFailureText({written.error(), {}, {}, {}}, ExportOptions{}, {}) +
                                               QObject::tr(" Choose another folder, or make room on its disk, and export "
                                                           "the family again."));
        return;
    }
    document.screen().showStatus(QObject::tr("Exported the icon family %1: %n file(s) in %2.", nullptr, int(written->size()))
                                     .arg(quotedName(QString::fromStdString(familyFileName(icons))),
                                          QDir::toNativeSeparators(folder)));
}

} // namespace

void exportFamily(DocumentController& document, QWidget* parent, std::shared_ptr<const ByteSource> bytes,
                  std::vector<StructuredIcon> members)
{
    auto* panel = new QFileDialog(parent->window(), QObject::tr("Export Family"));
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setWindowModality(Qt::WindowModal);
    panel->setFileMode(QFileDialog::Directory);
    panel->setOption(QFileDialog::ShowDirsOnly);
    QObject::connect(panel, &QFileDialog::fileSelected, parent,
                     [&document, bytes = std::move(bytes), members = std::move(members)](const QString& folder) {
                         writeFamily(document, bytes, members, folder);
                     });
    panel->open();
}

QPushButton* makeExportFamilyButton(QTableWidget* list, const std::function<bool(int)>& isFamily,
                                    const std::function<void(int)>& exportRow)
{
    auto* button = new QPushButton(QObject::tr("Export Family…"));
    button->setToolTip(QObject::tr("Write the selected icon family as PNG images, an .ico and an .icns file"));
    auto* action = new QAction(button->text(), list);
    list->addAction(action);
    list->setContextMenuPolicy(Qt::ActionsContextMenu);
    QObject::connect(action, &QAction::triggered, list, [list, exportRow] { exportRow(list->currentRow()); });
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
    const auto update = [list, button, action, isFamily] {
        const bool enabled = !list->selectedItems().isEmpty() && isFamily(list->currentRow());
        button->setEnabled(enabled);
        action->setEnabled(enabled);
    };
    QObject::connect(list, &QTableWidget::itemSelectionChanged, button, update);
    QObject::connect(list->model(), &QAbstractItemModel::modelReset, button, update);
    QObject::connect(list->model(), &QAbstractItemModel::rowsRemoved, button, update);
    update();
    return button;
}

} // namespace pq
