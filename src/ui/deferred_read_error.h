#pragma once

#include "sources/read_error.h"

namespace pq {

class DocumentController;

// Hands a failed read of the document's bytes to the document (which tells the user once per
// opened file) after the paint or model query that met it, since an alert must not open in
// the middle of painting. Dropped when other bytes have been opened meanwhile.
void reportReadErrorLater(DocumentController& document, const ReadError& error);

} // namespace pq
