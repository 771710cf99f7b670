#include "ui/parts_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace pq {

PartsDialog::PartsDialog(const QString& fileName, const std::vector<PartRow>& rows, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Parts of \u201C%1\u201D").arg(fileName));
    auto* label = new QLabel(tr("Choose the part of \u201C%1\u201D to open:").arg(fileName), this);
    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({tr("Name"), tr("Kind"), tr("Size"), tr("Type"), tr("Creator")});
    const QLocale locale;
    for (const PartRow& row : rows) {
        auto* item = new QTreeWidgetItem(m_list, {row.name, row.kind, locale.toString(qlonglong(row.size)), row.type, row.creator});
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    }
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_list->setCurrentItem(m_list->topLevelItem(0));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* open = buttons->addButton(tr("Open"), QDialogButtonBox::AcceptRole);
    QPushButton* raw = buttons->addButton(tr("Open Raw Bytes"), QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    open->setDefault(true);
    open->setObjectName(QStringLiteral("openPart"));
    raw->setObjectName(QStringLiteral("openRawBytes"));
    const auto openCurrent = [this] {
        const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
        if (row >= 0)
            choose({PartChoice::Kind::Part, row});
    };
    connect(open, &QPushButton::clicked, this, openCurrent);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, openCurrent);
    connect(raw, &QPushButton::clicked, this, [this] { choose({PartChoice::Kind::RawBytes}); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    resize(560, 300);
}

void PartsDialog::choose(PartChoice choice)
{
    m_choice = choice;
    accept();
}

} // namespace pq
