#pragma once

#include "document/document_screen.h"

#include <QDialog>

#include <vector>

class QTreeWidget;

namespace pq {

// The parts of a wrapper, one row each (name, kind, size, type, creator), to choose the one to
// open: "Open" (also Enter or a double-click) opens the selected part, "Open Raw Bytes" the
// file's own bytes, "Cancel" (also Escape) nothing.
class PartsDialog : public QDialog {
    Q_OBJECT
public:
    PartsDialog(const QString& fileName, const std::vector<PartRow>& rows, QWidget* parent = nullptr);

    // The answer once the dialog has closed.
    PartChoice choice() const { return m_choice; }
    QTreeWidget* list() const { return m_list; }

private:
    void choose(PartChoice choice);

    QTreeWidget* m_list = nullptr;
    PartChoice m_choice;
};

} // namespace pq
