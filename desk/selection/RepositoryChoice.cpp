#include "RepositoryChoice.h"

#include "ZELVPropertyGridCtrl.h"

void FillRepositoryChoice(CZELV10RepositoryCache& cache, CZELVPropertyGridProperty* property,
                          const QString& customer, const QString& media, const QString& current,
                          const QSet<QString>* hidden, bool includeHome) {
    if (!property)
        return;
    cache.Load(customer, media, false);
    property->RemoveAllOptions();
    property->AddOption(CZELV10RepositoryCache::kNoSelection, QString());
    property->SetValue(CZELV10RepositoryCache::kNoSelection);
    // Another pair's records are no choice for this one.
    if (!cache.Holds(customer, media))
        return;
    const ZELVFixedText<kZelvRepositoryIdLen> chosen(current);
    for (const ZELVREPOSITORYFULL& r : cache.Records()) {
        const QString id = r.repositoryId.Text();
        const bool home = includeHome && id == QLatin1String("HOME");
        if ((RepositoryFlags(r) & ZELVREP_HIDDEN) && !home)
            continue;
        if (hidden && hidden->contains(id))
            continue;
        const int option = property->AddOption(CZELV10RepositoryCache::DisplayName(r), id);
        if (!current.isEmpty() && r.repositoryId == chosen)
            property->SelectOption(option);
    }
}
