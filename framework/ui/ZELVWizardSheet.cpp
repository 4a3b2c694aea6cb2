#include "ZELVWizardSheet.h"

#include <QDebug>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

QFrame* MakeLine(QWidget* parent, const QString& name) {
    auto* line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QPushButton* MakeButton(QWidget* parent, const QString& text, const QString& name) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    return button;
}

} // namespace

CZELVWizardSheet::CZELVWizardSheet(const QString& caption, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("wizardSheet"));
    setWindowTitle(caption);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // Header: title and subtitle on the left, bitmap on the right, on white.
    m_header = new QFrame(this);
    m_header->setObjectName(QStringLiteral("wizardHeader"));
    m_header->setAutoFillBackground(true);
    QPalette headerPalette = m_header->palette();
    headerPalette.setColor(QPalette::Window, Qt::white);
    headerPalette.setColor(QPalette::WindowText, Qt::black);
    m_header->setPalette(headerPalette);
    auto* headerLayout = new QHBoxLayout(m_header);
    headerLayout->setContentsMargins(16, 8, 8, 8);
    auto* headerTexts = new QVBoxLayout;
    m_headerTitle = new QLabel(m_header);
    m_headerTitle->setObjectName(QStringLiteral("wizardHeaderTitle"));
    m_headerTitle->setTextFormat(Qt::PlainText);
    QFont titleFont = m_headerTitle->font();
    titleFont.setBold(true);
    m_headerTitle->setFont(titleFont);
    m_headerSubtitle = new QLabel(m_header);
    m_headerSubtitle->setObjectName(QStringLiteral("wizardHeaderSubtitle"));
    m_headerSubtitle->setTextFormat(Qt::PlainText);
    m_headerSubtitle->setWordWrap(true);
    m_headerSubtitle->setIndent(16);
    headerTexts->addWidget(m_headerTitle);
    headerTexts->addWidget(m_headerSubtitle, 1);
    headerLayout->addLayout(headerTexts, 1);
    m_headerBitmap = new QLabel(m_header);
    m_headerBitmap->setObjectName(QStringLiteral("wizardHeaderBitmap"));
    headerLayout->addWidget(m_headerBitmap, 0, Qt::AlignTop);
    outer->addWidget(m_header);
    m_headerLine = MakeLine(this, QStringLiteral("wizardHeaderLine"));
    outer->addWidget(m_headerLine);

    // Body: the watermark (full-page layout only) and the pages.
    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    m_watermarkLabel = new QLabel(this);
    m_watermarkLabel->setObjectName(QStringLiteral("wizardWatermark"));
    m_watermarkLabel->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    body->addWidget(m_watermarkLabel);
    m_stack = new QStackedWidget(this);
    m_stack->setObjectName(QStringLiteral("wizardPages"));
    m_stack->setContentsMargins(12, 8, 12, 8);
    body->addWidget(m_stack, 1);
    outer->addLayout(body, 1);
    outer->addWidget(MakeLine(this, QStringLiteral("wizardButtonLine")));

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(8, 8, 8, 8);
    buttons->addStretch(1);
    m_back = MakeButton(this, tr("< &Back"), QStringLiteral("wizardBackButton"));
    m_next = MakeButton(this, tr("&Next >"), QStringLiteral("wizardNextButton"));
    m_finish = MakeButton(this, tr("&Finish"), QStringLiteral("wizardFinishButton"));
    m_cancel = MakeButton(this, tr("Cancel"), QStringLiteral("wizardCancelButton"));
    buttons->addWidget(m_back);
    buttons->addWidget(m_next);
    buttons->addWidget(m_finish);
    buttons->addSpacing(8);
    buttons->addWidget(m_cancel);
    outer->addLayout(buttons);

    connect(m_back, &QPushButton::clicked, this, [this] { GoBack(); });
    connect(m_next, &QPushButton::clicked, this, [this] { GoNext(); });
    connect(m_finish, &QPushButton::clicked, this, [this] { TryFinish(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { TryCancel(); });

    UpdateLayout();
    UpdateButtons();
}

CZELVWizardSheet::~CZELVWizardSheet() = default;

void CZELVWizardSheet::SetWatermark(const QPixmap& pixmap) {
    m_watermark = pixmap;
    m_watermarkLabel->setPixmap(pixmap);
    m_watermarkLabel->setFixedWidth(pixmap.isNull() ? 0 : pixmap.width());
}

void CZELVWizardSheet::SetHeaderBitmap(const QPixmap& pixmap) {
    m_headerBitmap->setPixmap(pixmap);
}

int CZELVWizardSheet::AddPage(CZELVWizardPage* page) {
    if (!page)
        return -1;
    page->m_sheet = this;
    m_stack->addWidget(page); // reparents: the sheet owns the page from here on
    m_pages.push_back(page);
    return int(m_pages.size()) - 1;
}

CZELVWizardPage* CZELVWizardSheet::GetPage(int index) const {
    return index >= 0 && index < int(m_pages.size()) ? m_pages[size_t(index)] : nullptr;
}

int CZELVWizardSheet::FindPage(int templateId) const {
    for (size_t i = 0; i < m_pages.size(); ++i)
        if (m_pages[i]->TemplateId() == templateId)
            return int(i);
    return -1;
}

bool CZELVWizardSheet::SetActivePage(int index) {
    if (!GetPage(index))
        return false;
    if (m_busy) {
        Defer([this, index] { SetActivePage(index); });
        return false;
    }
    Activate(index);
    return true;
}

bool CZELVWizardSheet::SetActivePage(CZELVWizardPage* page) {
    for (size_t i = 0; i < m_pages.size(); ++i)
        if (m_pages[i] == page)
            return SetActivePage(int(i));
    return false;
}

bool CZELVWizardSheet::SetActivePageById(int templateId) {
    return SetActivePage(FindPage(templateId));
}

void CZELVWizardSheet::SetWizardButtons(int flags) {
    m_flags = flags;
    UpdateButtons();
}

void CZELVWizardSheet::PressButton(WizardButton button) {
    Defer([this, button] {
        switch (button) {
        case WizardButton::Back:
            GoBack();
            break;
        case WizardButton::Next:
            GoNext();
            break;
        case WizardButton::Finish:
            TryFinish();
            break;
        case WizardButton::Cancel:
            TryCancel();
            break;
        }
    });
}

int CZELVWizardSheet::Resolve(int answer, Direction direction) const {
    if (answer == CZELVWizardPage::kStay)
        return -1;
    if (answer == CZELVWizardPage::kDefaultPage) {
        const int index = m_active + (direction == Direction::Forward ? 1 : -1);
        return GetPage(index) ? index : -1;
    }
    const int index = FindPage(answer);
    if (index < 0)
        qWarning("Wizard: no page with template id %d; staying on the current page", answer);
    return index;
}

bool CZELVWizardSheet::GoNext() {
    if (m_busy) {
        Defer([this] { GoNext(); });
        return false;
    }
    CZELVWizardPage* page = GetActivePage();
    if (!page)
        return false;
    m_busy = true;
    const int target = Resolve(page->OnWizardNext(), Direction::Forward);
    m_busy = false;
    if (target < 0)
        return false;
    Activate(target);
    return true;
}

bool CZELVWizardSheet::GoBack() {
    if (m_busy) {
        Defer([this] { GoBack(); });
        return false;
    }
    CZELVWizardPage* page = GetActivePage();
    if (!page)
        return false;
    m_busy = true;
    const int target = Resolve(page->OnWizardBack(), Direction::Backward);
    m_busy = false;
    if (target < 0)
        return false;
    Activate(target);
    return true;
}

bool CZELVWizardSheet::TryFinish() {
    if (m_busy) {
        Defer([this] { TryFinish(); });
        return false;
    }
    CZELVWizardPage* page = GetActivePage();
    m_busy = true;
    const bool allowed = !page || page->OnWizardFinish();
    m_busy = false;
    if (!allowed)
        return false;
    accept();
    return true;
}

bool CZELVWizardSheet::TryCancel() {
    if (m_busy) {
        Defer([this] { TryCancel(); });
        return false;
    }
    CZELVWizardPage* page = GetActivePage();
    m_busy = true;
    const bool allowed = !page || page->OnQueryCancel();
    m_busy = false;
    if (!allowed)
        return false;
    QDialog::reject();
    return true;
}

void CZELVWizardSheet::reject() {
    TryCancel();
}

void CZELVWizardSheet::done(int result) {
    if (m_placeSettings)
        m_placeSettings->setValue(m_placeKey, saveGeometry());
    QDialog::done(result);
}

void CZELVWizardSheet::RememberPlace(QSettings* settings, const QString& key,
                                     const QSize& fallback) {
    m_placeSettings = settings;
    m_placeKey = key;
    // Qt moves a restored window that lies off every screen back onto one.
    if (settings && restoreGeometry(settings->value(key).toByteArray()))
        return;
    const QScreen* screen = QGuiApplication::primaryScreen();
    QSize size = fallback.expandedTo(minimumSizeHint());
    if (screen) {
        const QRect room = screen->availableGeometry();
        size = size.boundedTo(room.size());
        QRect frame(QPoint(), size);
        frame.moveCenter(room.center());
        setGeometry(frame);
        return;
    }
    resize(size);
}

void CZELVWizardSheet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_active < 0 && GetPage(m_startPage))
        SetActivePage(m_startPage);
}

void CZELVWizardSheet::Activate(int index) {
    m_busy = true;
    if (CZELVWizardPage* old = GetActivePage())
        old->OnKillActive();
    m_active = index;
    CZELVWizardPage* page = m_pages[size_t(index)];
    m_stack->setCurrentWidget(page);
    UpdateLayout();
    page->OnSetActive();
    m_busy = false;
    Q_EMIT ActivePageChanged(page->TemplateId());
}

void CZELVWizardSheet::UpdateLayout() {
    const CZELVWizardPage* page = GetActivePage();
    const bool full = page && page->HidesHeader();
    m_header->setVisible(!full);
    m_headerLine->setVisible(!full);
    m_watermarkLabel->setVisible(full && !m_watermark.isNull());
    m_headerTitle->setText(page ? page->HeaderTitle() : QString());
    m_headerSubtitle->setText(page ? page->HeaderSubtitle() : QString());
}

void CZELVWizardSheet::UpdateButtons() {
    // Finish takes Next's place when either Finish flag is set.
    const bool finish = (m_flags & (WizFinish | WizDisabledFinish)) != 0;
    m_back->setEnabled((m_flags & WizBack) != 0);
    m_next->setVisible(!finish);
    m_next->setEnabled((m_flags & WizNext) != 0);
    m_finish->setVisible(finish);
    m_finish->setEnabled((m_flags & WizFinish) != 0);
    QPushButton* def = finish ? m_finish : m_next;
    m_next->setDefault(def == m_next);
    m_finish->setDefault(def == m_finish);
}

void CZELVWizardSheet::Defer(std::function<void()> action) {
    QMetaObject::invokeMethod(this, std::move(action), Qt::QueuedConnection);
}
