#pragma once

#include "finder/structured_icon.h"
#include "sources/byte_source.h"

#include <functional>
#include <memory>
#include <vector>

class QPushButton;
class QTableWidget;
class QWidget;

namespace pq {

class DocumentController;

// "Export Family…": asks in a window-modal folder dialog over `parent`'s window where to write
// the family of `members` (stored in `bytes`) for today's desktops, then writes it there
// (writeIconFamily: a few small files, written at once). A member that cannot be decoded or a
// file that cannot be written is shown in an alert saying what failed and what to do; what was
// written is told in the status line.
void exportFamily(DocumentController& document, QWidget* parent, std::shared_ptr<const ByteSource> bytes,
                  std::vector<StructuredIcon> members);

// The "Export Family…" button of a list of icons, its action also on the list's context menu:
// enabled while the list's current row is selected and `isFamily` of it, it calls `exportRow`
// with that row.
QPushButton* makeExportFamilyButton(QTableWidget* list, const std::function<bool(int)>& isFamily,
                                    const std::function<void(int)>& exportRow);

} // namespace pq
