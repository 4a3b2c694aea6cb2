#pragma once

#include "ZELV10RepositoryCache.h"

class CZELVPropertyGridProperty;

// Refills a drop-down property: "<No Selection>" first (and the value),
// then the display name of each Repository in order, leaving out those
// not shown in lists (except HOME with includeHome) and those whose
// identifier is in hidden. The current Repository becomes the value.
// Each option's data is its Repository-ID (empty for "<No Selection>").
void FillRepositoryChoice(CZELV10RepositoryCache& cache, CZELVPropertyGridProperty* property,
                          const QString& customer, const QString& media, const QString& current,
                          const QSet<QString>* hidden, bool includeHome);
