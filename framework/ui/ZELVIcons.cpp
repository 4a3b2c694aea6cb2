#include "ZELVIcons.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <array>

namespace {

enum class Shape { Badge, Circle, Tape, Box, Barcode, Frame };

struct IconEntry {
    int id;
    const char* themeName; // empty: no theme icon fits
    Shape shape;
    QRgb colour;
    const char* glyph; // one or two characters drawn on badges and circles
};

constexpr QRgb kBlue = 0xFF0A416A;
constexpr QRgb kGreen = 0xFF2E7D32;
constexpr QRgb kRed = 0xFFC62828;
constexpr QRgb kAmber = 0xFFF9A825;
constexpr QRgb kGrey = 0xFF546E7A;
constexpr QRgb kTeal = 0xFF00796B;
constexpr QRgb kPurple = 0xFF6A1B9A;

// Sorted by id.
constexpr std::array kIcons = {
    IconEntry{101, "", Shape::Tape, kBlue, ""},                        // application
    IconEntry{110, "package-x-generic", Shape::Box, kAmber, ""},       // Container (tree)
    IconEntry{130, "", Shape::Circle, kGreen, "E"},                    // enhancement (change list)
    IconEntry{131, "", Shape::Circle, kAmber, "F"},                    // fix (change list)
    IconEntry{227, "package-x-generic", Shape::Box, kAmber, ""},       // Container
    IconEntry{228, "text-x-generic", Shape::Frame, kGrey, ""},         // file
    IconEntry{233, "media-tape", Shape::Tape, kGrey, ""},              // Volume (tree, List)
    IconEntry{236, "media-tape", Shape::Tape, kGrey, ""},              // Volume
    IconEntry{237, "emblem-default", Shape::Circle, kGreen, "+"},      // selected Volume
    IconEntry{238, "system-users", Shape::Circle, kTeal, "U"},         // user
    IconEntry{319, "x-office-address-book", Shape::Badge, kBlue, "C"}, // Customer
    IconEntry{321, "drive-removable-media", Shape::Badge, kGrey, "M"}, // Media Type, library
    IconEntry{325, "help-browser", Shape::Circle, kBlue, "?"},         // Get Help
    IconEntry{331, "folder-remote", Shape::Badge, kTeal, "F"},         // file transfer
    IconEntry{332, "dialog-password", Shape::Badge, kAmber, "P"},      // password
    IconEntry{333, "system-users", Shape::Badge, kTeal, "U"},          // users
    IconEntry{342, "go-previous", Shape::Badge, kPurple, "R"},         // Recall
    IconEntry{348, "folder", Shape::Frame, kGrey, ""},                 // other location
    IconEntry{349, "go-next", Shape::Badge, kBlue, "S"},               // Send
    IconEntry{350, "window-close", Shape::Circle, kGrey, "x"},         // popup close button
    IconEntry{351, "go-next", Shape::Circle, kBlue, ">"},              // popup button
    IconEntry{353, "help-contents", Shape::Badge, kBlue, "G"},         // Users Guide
    IconEntry{356, "", Shape::Barcode, kBlue, ""},                     // Scan-In, scan notices
    IconEntry{358, "", Shape::Barcode, kPurple, ""},                   // Scan-Out
    IconEntry{366, "applications-system", Shape::Badge, kGrey, "A"},   // system
    IconEntry{367, "mail-forward", Shape::Circle, kTeal, ">"},         // Volume routed
    IconEntry{368, "dialog-error", Shape::Circle, kRed, "!"},          // error
    IconEntry{369, "dialog-information", Shape::Circle, kBlue, "i"},   // information
    IconEntry{371, "", Shape::Barcode, kGrey, ""},                     // Scan button
    IconEntry{373, "edit-find", Shape::Badge, kGreen, "L"},            // reconciliation
    IconEntry{388, "emblem-default", Shape::Circle, kGreen, "+"},      // certified
    IconEntry{389, "dialog-warning", Shape::Circle, kAmber, "!"},      // warning
    IconEntry{391, "x-office-calendar", Shape::Badge, kBlue, "T"},     // certificate time
    IconEntry{395, "utilities-terminal", Shape::Badge, kGrey, ">"},    // commands, SCSI console
    IconEntry{398, "go-jump", Shape::Circle, kTeal, "L"},              // location
    IconEntry{399, "x-office-document", Shape::Badge, kPurple, "L"},   // Move Lists
    IconEntry{400, "x-office-spreadsheet", Shape::Badge, kGreen, "X"}, // Excel import
};

const IconEntry* Find(int id) {
    for (const IconEntry& entry : kIcons)
        if (entry.id == id)
            return &entry;
    return nullptr;
}

void DrawWhiteText(QPainter& p, const QRectF& r, int pixelSize, int flags, const QString& text) {
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(pixelSize);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(r, flags, text);
}

// The bitmaps' background: blue fading to a lighter blue towards `end`.
void FillBlueGradient(QPainter& p, const QRect& rect, const QPointF& end, int lighter) {
    QLinearGradient gradient(QPointF(0, 0), end);
    gradient.setColorAt(0, QColor::fromRgba(kBlue));
    gradient.setColorAt(1, QColor::fromRgba(kBlue).lighter(lighter));
    p.fillRect(rect, gradient);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
}

void DrawShape(QPainter& p, const IconEntry& e, int size) {
    const qreal s = size;
    const QColor colour = QColor::fromRgba(e.colour);
    p.setRenderHint(QPainter::Antialiasing);
    switch (e.shape) {
    case Shape::Badge:
    case Shape::Circle: {
        const QRectF r(s * 0.06, s * 0.06, s * 0.88, s * 0.88);
        p.setPen(colour.darker(130));
        p.setBrush(colour);
        if (e.shape == Shape::Badge)
            p.drawRoundedRect(r, s * 0.18, s * 0.18);
        else
            p.drawEllipse(r);
        DrawWhiteText(p, r, qMax(6, int(r.height() * 0.7)), Qt::AlignCenter,
                      QString::fromLatin1(e.glyph));
        break;
    }
    case Shape::Tape: {
        // A cartridge: body, label and the two reel windows.
        const QRectF body(s * 0.06, s * 0.18, s * 0.88, s * 0.64);
        p.setPen(colour.darker(150));
        p.setBrush(colour);
        p.drawRoundedRect(body, s * 0.08, s * 0.08);
        p.setBrush(Qt::white);
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(s * 0.2, s * 0.26, s * 0.6, s * 0.16));
        p.setBrush(colour.darker(170));
        p.drawEllipse(QRectF(s * 0.2, s * 0.5, s * 0.2, s * 0.2));
        p.drawEllipse(QRectF(s * 0.6, s * 0.5, s * 0.2, s * 0.2));
        break;
    }
    case Shape::Box: {
        const QRectF body(s * 0.1, s * 0.3, s * 0.8, s * 0.6);
        p.setPen(colour.darker(160));
        p.setBrush(colour);
        p.drawRect(body);
        p.setBrush(colour.lighter(120));
        QPolygonF lid;
        lid << QPointF(s * 0.1, s * 0.3) << QPointF(s * 0.25, s * 0.1) << QPointF(s * 0.75, s * 0.1)
            << QPointF(s * 0.9, s * 0.3);
        p.drawPolygon(lid);
        p.drawLine(QPointF(s * 0.5, s * 0.3), QPointF(s * 0.5, s * 0.9));
        break;
    }
    case Shape::Barcode: {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(0, s * 0.1, s, s * 0.8));
        p.setBrush(colour);
        static constexpr std::array<int, 11> kBars = {1, 0, 2, 1, 0, 1, 2, 0, 1, 1, 2};
        const qreal unit = s / 16.0;
        qreal x = unit;
        for (int w : kBars) {
            if (w > 0)
                p.drawRect(QRectF(x, s * 0.15, unit * w, s * 0.7));
            x += unit * qMax(1, w) + unit * 0.4;
            if (x > s - unit)
                break;
        }
        break;
    }
    case Shape::Frame: {
        const QRectF r(s * 0.15, s * 0.06, s * 0.7, s * 0.88);
        p.setPen(colour.darker(130));
        p.setBrush(colour.lighter(160));
        p.drawRect(r);
        p.setPen(colour);
        for (int i = 1; i <= 3; ++i)
            p.drawLine(QPointF(s * 0.25, s * (0.2 * i + 0.1)),
                       QPointF(s * 0.75, s * (0.2 * i + 0.1)));
        break;
    }
    }
}

QPixmap HeaderBitmap() {
    QPixmap pixmap(49, 49);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    const IconEntry tape{0, "", Shape::Tape, kBlue, ""};
    DrawShape(p, tape, 49);
    return pixmap;
}

QPixmap AboutBitmap() {
    QPixmap pixmap(200, 50);
    QPainter p(&pixmap);
    FillBlueGradient(p, pixmap.rect(), QPointF(200, 0), 170);
    const IconEntry tape{0, "", Shape::Tape, 0xFFFFFFFF, ""};
    p.translate(8, 7);
    DrawShape(p, tape, 36);
    p.resetTransform();
    DrawWhiteText(p, QRect(52, 0, 148, 50), 22, Qt::AlignVCenter | Qt::AlignLeft,
                  QStringLiteral("Kelmar Lite"));
    return pixmap;
}

QPixmap WatermarkBitmap() {
    QPixmap pixmap(164, 314);
    QPainter p(&pixmap);
    FillBlueGradient(p, pixmap.rect(), QPointF(0, 314), 190);
    const IconEntry tape{0, "", Shape::Tape, 0xFFFFFFFF, ""};
    for (int i = 0; i < 3; ++i) {
        p.resetTransform();
        p.translate(30 + i * 14, 40 + i * 40);
        p.setOpacity(1.0 - i * 0.3);
        DrawShape(p, tape, 72);
    }
    p.resetTransform();
    p.setOpacity(1.0);
    DrawWhiteText(p, QRect(0, 220, 164, 60), 24, Qt::AlignCenter, QStringLiteral("Kelmar Lite"));
    return pixmap;
}

} // namespace

bool ZELVHasIcon(int resourceId) {
    return Find(resourceId) != nullptr;
}

QString ZELVIconThemeName(int resourceId) {
    const IconEntry* e = Find(resourceId);
    return e ? QString::fromLatin1(e->themeName) : QString();
}

QPixmap ZELVOwnIcon(int resourceId, int size) {
    const IconEntry* e = Find(resourceId);
    if (!e || size <= 0)
        return {};
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    DrawShape(p, *e, size);
    return pixmap;
}

QIcon ZELVIcon(int resourceId) {
    const IconEntry* e = Find(resourceId);
    if (!e)
        return {};
    QIcon own;
    for (int size : {16, 24, 32, 48})
        own.addPixmap(ZELVOwnIcon(resourceId, size));
    const QString theme = QString::fromLatin1(e->themeName);
    return theme.isEmpty() ? own : QIcon::fromTheme(theme, own);
}

QPixmap ZELVBitmap(int resourceId) {
    switch (resourceId) {
    case 200:
        return HeaderBitmap();
    case 201:
        return AboutBitmap();
    case 202:
        return WatermarkBitmap();
    default:
        return {};
    }
}
