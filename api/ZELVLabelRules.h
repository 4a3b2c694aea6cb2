#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class ZELVConfig;

// The label rules of ZELVDesk.cfg: barcodes that are no tape to move
// (cleaning and diagnostic cartridges, told by their prefixes) are refused
// with their reason, and a label whose length or generation suffix does not
// fit its Media Type is flagged. Without a "labels" group nothing is checked.
//   labels = {
//     refuse = ( { prefix = "CLN"; reason = "cleaning cartridge"; } );
//     media = ( { media = "LTO8"; length = 6; suffix = "L8"; } );
//   };
class ZELVLabelRules {
public:
    struct Refusal {
        QString prefix;
        QString reason;
    };
    struct MediaRule {
        QString media;
        int length = 0; // of the label without its suffix; 0: any
        QString suffix; // the generation suffix ("L8"); empty: any
    };

    ZELVLabelRules() = default;
    explicit ZELVLabelRules(const ZELVConfig* config);

    bool IsEmpty() const { return m_refusals.empty() && m_media.empty(); }
    // What is wrong with the group itself, one line each (zelvadmin check-rules).
    const QStringList& Problems() const { return m_problems; }

    // The reason to refuse the scanned barcode, empty when it may be read.
    QString RefusalOf(const QString& barcode) const;
    // What does not fit the Media Type it was read as, empty when all does.
    QString MismatchOf(const QString& barcode, const QString& media) const;

private:
    std::vector<Refusal> m_refusals;
    std::vector<MediaRule> m_media;
    QStringList m_problems;
    bool m_uppercase = false;
};
