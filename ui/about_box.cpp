#include "ui/about_box.h"

#include "ui/user_dialogs.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace dg::ui {
namespace {

constexpr int kClientWidth = 273;
constexpr int kClientHeight = 210;
constexpr int kPanelWidth = 258;
constexpr int kPanelHeight = 154;

QLabel* centredLabel(const QString& text, const char* name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

AboutBox::AboutBox(UserDialogs& dialogs, QWidget* parent) : QDialog(parent), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowTitle(QCoreApplication::translate("AboutBox", "バージョン情報"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    QFont boxFont(QStringLiteral("IPAPGothic"));
    boxFont.setPixelSize(12);
    setFont(boxFont);
    setFixedSize(kClientWidth, kClientHeight);

    m_panel = new QFrame(this);
    m_panel->setObjectName(QStringLiteral("Panel1"));
    m_panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_panel->setLineWidth(2);
    m_panel->setFixedSize(kPanelWidth, kPanelHeight);
    m_panel->setMouseTracking(true);
    m_panel->installEventFilter(this);

    auto* productName = centredLabel(QString::fromLatin1(kProductName), "ProductName", m_panel);
    QFont nameFont = productName->font();
    nameFont.setBold(true);
    nameFont.setPixelSize(16);
    productName->setFont(nameFont);
    auto* version = centredLabel(QString::fromLatin1(kVersion), "Version", m_panel);
    auto* maker = centredLabel(QString::fromLatin1(kMaker), "Copyright", m_panel);

    m_url = centredLabel(QString::fromLatin1(kUrl), "URL", m_panel);
    QPalette urlPalette = m_url->palette();
    urlPalette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    m_url->setPalette(urlPalette);
    m_url->setCursor(Qt::PointingHandCursor);
    m_url->setMouseTracking(true);
    m_url->installEventFilter(this);

    auto* comments = centredLabel(QCoreApplication::translate("AboutBox", "Dirsweep2.jsの結果を入力して表示します。　ディスクスペースを大切に。"),
                                  "Comments", m_panel);
    comments->setWordWrap(true);
    comments->setCursor(Qt::PointingHandCursor);

    auto* panelLayout = new QVBoxLayout(m_panel);
    panelLayout->setContentsMargins(8, 8, 8, 8);
    panelLayout->setSpacing(4);
    panelLayout->addWidget(productName);
    panelLayout->addWidget(version);
    panelLayout->addWidget(maker);
    panelLayout->addWidget(m_url);
    panelLayout->addWidget(comments, 1);

    // The other labels count as the panel: moving from the address onto them removes the underline.
    for (QLabel* label : {productName, version, maker, comments}) {
        label->setMouseTracking(true);
        label->installEventFilter(this);
    }

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("OKButton"));
    m_ok->setDefault(true);
    m_ok->setAutoDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(7, 7, 7, 7);
    layout->addWidget(m_panel, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    layout->addWidget(m_ok, 0, Qt::AlignHCenter);
}

bool AboutBox::urlUnderlined() const
{
    return m_url->font().underline();
}

void AboutBox::setUnderline(bool on)
{
    QFont f = m_url->font();
    if (f.underline() == on)
        return;
    f.setUnderline(on);
    m_url->setFont(f);
}

void AboutBox::URLMouseMove()
{
    setUnderline(true);
}

void AboutBox::Panel1MouseMove()
{
    setUnderline(false);
}

void AboutBox::URLClick()
{
    m_dialogs.openUrl(QUrl(m_url->text()));
}

bool AboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_url) {
        if (event->type() == QEvent::MouseMove) {
            // Consumed: passed on, it would reach the panel and take the underline away again.
            URLMouseMove();
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton || !m_url->rect().contains(mouse->position().toPoint()))
                return false;
            URLClick();
            return true;
        }
    } else if (event->type() == QEvent::MouseMove) {
        Panel1MouseMove(); // the panel or one of its other labels
    }
    return QDialog::eventFilter(watched, event);
}

void AboutBox::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (QScreen* s = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
}

} // namespace dg::ui
