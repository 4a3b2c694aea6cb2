#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// One element of a media changer as `mtx status` reports it: a drive (data
// transfer element) or a slot (storage element, possibly an import/export
// slot).
struct ZELVChangerElement {
    enum Kind { DataTransfer, Storage };
    Kind kind = Storage;
    int number = 0;
    bool full = false;
    bool importExport = false;
    QString volumeTag;          // empty when the changer has no reader or the slot is empty
    QString alternateVolumeTag; // the second tag some changers report
    int loadedFrom = -1;        // drives: the storage element the media came from, -1 unknown
};

// The parsed `mtx status` text. Lines it does not know are kept in
// `unparsed` so that a changer's odd output is shown, never dropped silently.
struct ZELVChangerStatus {
    QString device;
    int drives = -1; // from the header line; -1 when absent
    int slotCount = -1;
    int importExportSlots = 0;
    std::vector<ZELVChangerElement> elements;
    QStringList unparsed;

    bool HasHeader() const { return drives >= 0 && slotCount >= 0; }
    const ZELVChangerElement* Storage(int number) const;
    const ZELVChangerElement* Drive(int number) const;
    int CountStorage() const;
    int CountFullStorage() const;
};

// Parses the standard output of `mtx -f DEVICE status`. Returns false (with
// a reason) when the text holds no changer header and no element line.
bool ZELVParseMtxStatus(const QString& text, ZELVChangerStatus* out, QString* why = nullptr);

// Whether a changer's volume tag names the Volume: the same text, or the
// Volume identifier followed by the two-character media suffix of LTO labels
// ("A00001" and "A00001L6"). Compared without case and surrounding blanks.
bool ZELVVolumeTagMatches(const QString& volumeTag, const QString& volumeId);
