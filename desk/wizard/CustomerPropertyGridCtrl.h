#pragma once

#include "LibraryHealth.h"
#include "ZELV10Records.h"
#include "ZELVPropertyGridCtrl.h"

#include <functional>
#include <vector>

class CZELV10MFC;

// A row holding a number from 0 to 100, drawn as a bar: red behind, green
// over the value's share of at most 200 pixels.
class CZELVProgressGridProperty : public CZELVPropertyGridProperty {
public:
    static constexpr int kMaxWidth = 200;
    CZELVProgressGridProperty(const QString& name, unsigned value, const QString& description);
    bool PaintValue(QPainter* painter, const QStyleOptionViewItem& option) const override;
};

// The task menu's Customer figures: per Media Type the counts, the library
// health score with its word and problems, and the per-Repository counts.
class CCustomerPropertyGridCtrl : public CZELVPropertyGridCtrl {
    Q_OBJECT
public:
    // title, text: the warning of a Media Type whose score is below 60.
    using Warn = std::function<void(const QString& title, const QString& text)>;

    explicit CCustomerPropertyGridCtrl(QWidget* parent = nullptr);

    void SetWarn(Warn warn) { m_warn = std::move(warn); }
    // Rebuilds the grid for the Customer; nothing without one.
    void Fill(CZELV10MFC& connection, const ZELVCUSTEx* customer);
    // The Media Types of the last Fill, in list order.
    const std::vector<ZELVMEDIAEx>& Media() const { return m_media; }
    const CLibraryHealthTable& Health() const { return m_health; }

protected:
    // The problem texts sit four levels deep: the names get the larger share.
    void resizeEvent(QResizeEvent* event) override;

private:
    CLibraryHealthTable m_health;
    std::vector<ZELVMEDIAEx> m_media;
    Warn m_warn;
};
