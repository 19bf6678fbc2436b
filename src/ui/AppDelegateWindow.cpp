#include "app/AppDelegate.h"
#include "app/Appearance.h"
#include "common/ApplicationName.h"
#include "ui/ElidedText.h"
#include "ui/Fonts.h"
#include "ui/FrameAutosave.h"
#include "ui/PluginListStackView.h"
#include "ui/StyleSheet.h"
#include "ui/WindowPlacement.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <QWindow>

namespace {

const QSize contentSize(1180, 900);
const QSize minimumWindowSize(980, 620);

QLabel* makeLabel(const QString& objectName, const QString& text = {})
{
    auto* label = new QLabel(text);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QString subtitleFor(const QString& edition)
{
    if (edition == QLatin1String("DSP"))
        return QStringLiteral(
            "DSP \u2014 macOS  \u2022  AU  \u2022  VST3  \u2022  AAX NATIVE  \u2022  AAX DSP");
    return QStringLiteral("NATIVE \u2014 macOS  \u2022  AU  \u2022  VST3  \u2022  AAX NATIVE");
}

} // namespace

void AppDelegate::buildWindow()
{
    forceLightAppearance();
    // Setting the same sheet again would re-polish every widget of the
    // application, and widgets polished before they are styled here lose
    // their fonts and colours when shown.
    const QString sheet = applicationStyleSheet(palette);
    if (qApp->styleSheet() != sheet)
        qApp->setStyleSheet(sheet);

    auto* mainWindow = new QMainWindow;
    window.reset(mainWindow);
    mainWindow->setObjectName(QStringLiteral("window"));
    mainWindow->setWindowTitle(applicationName);
    if (mainMenu)
        mainWindow->setMenuBar(mainMenu);

    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("contentView"));
    content->setAttribute(Qt::WA_StyledBackground);
    mainWindow->setCentralWidget(content);

    // Root stack: every row but the title block spans the full width.
    auto* root = new QVBoxLayout(content);
    root->setContentsMargins(24, 24, 24, 22);
    root->setSpacing(12);
    root->addLayout(buildTitleBlock());
    root->addWidget(buildPluginList(), 1);
    root->addLayout(buildListButtons());
    root->addWidget(buildProgressBar());
    root->addWidget(buildStatusLine());
    root->addLayout(buildActionButtons());
    root->addLayout(buildVersionLine());

    placeWindow();
    mainWindow->show();
}

QLayout* AppDelegate::buildTitleBlock()
{
    auto* titleLabel = makeLabel(QStringLiteral("titleLabel"), QStringLiteral("BRENVOSS INSTALLER"));
    titleLabel->setFont(systemFont(26, QFont::Bold));
    setTextColour(titleLabel, palette.ink);
    subtitleLabel->setObjectName(QStringLiteral("subtitleLabel"));
    subtitleLabel->setTextFormat(Qt::PlainText);
    subtitleLabel->setText(subtitleFor(activeEdition));
    subtitleLabel->setFont(systemFont(12, QFont::Bold));
    setTextColour(subtitleLabel, palette.burgundy);
    auto* titleBlock = new QVBoxLayout;
    titleBlock->setSpacing(5);
    titleBlock->addWidget(titleLabel, 0, Qt::AlignLeft);
    titleBlock->addWidget(subtitleLabel, 0, Qt::AlignLeft);
    return titleBlock;
}

QWidget* AppDelegate::buildPluginList()
{
    // The scroll area keeps listStack as wide as its viewport and at least as
    // tall (widget-resizable), and the stack's top alignment keeps a short
    // list at the top.
    pluginScrollView->setObjectName(QStringLiteral("pluginScrollView"));
    pluginScrollView->viewport()->setObjectName(QStringLiteral("pluginScrollViewport"));
    pluginScrollView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pluginScrollView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    pluginScrollView->setWidgetResizable(true);
    pluginScrollView->setWidget(listStack);
    // Checkbox titles and check marks are drawn in ink; card labels set their own colour.
    setTextColour(listStack, palette.ink);
    setTextColour(listStack, palette.ink, QPalette::Text);
    pluginScrollView->setMinimumHeight(300);
    pluginScrollView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    return pluginScrollView;
}

QLayout* AppDelegate::buildListButtons()
{
    for (auto [button, name] : {std::pair{selectAllButton.data(), "selectAllButton"},
                                {selectNoneButton.data(), "selectNoneButton"},
                                {refreshButton.data(), "refreshButton"}})
        button->setObjectName(QLatin1String(name));
    connect(selectAllButton, &QPushButton::clicked, this, &AppDelegate::selectAll);
    connect(selectNoneButton, &QPushButton::clicked, this, &AppDelegate::selectNone);
    connect(refreshButton, &QPushButton::clicked, this, &AppDelegate::refresh);
    auto* listButtons = new QHBoxLayout;
    listButtons->setSpacing(8);
    listButtons->addWidget(selectAllButton);
    listButtons->addWidget(selectNoneButton);
    listButtons->addStretch(1);
    listButtons->addWidget(refreshButton);
    return listButtons;
}

QWidget* AppDelegate::buildProgressBar()
{
    progress->setObjectName(QStringLiteral("progress"));
    progress->setRange(0, progressSteps);
    progress->setValue(0);
    progress->setTextVisible(false);
    return progress;
}

QWidget* AppDelegate::buildStatusLine()
{
    statusLabel->setObjectName(QStringLiteral("statusLabel"));
    setTextColour(statusLabel, palette.muted);
    elideText(statusLabel, Qt::ElideMiddle);
    return statusLabel;
}

QLayout* AppDelegate::buildActionButtons()
{
    installButton->setObjectName(QStringLiteral("installButton"));
    stylePrimaryButton(installButton);
    connect(installButton, &QPushButton::clicked, this, &AppDelegate::installSelected);
    installButton->setEnabled(false);
    uninstallButton->setObjectName(QStringLiteral("uninstallButton"));
    uninstallButton->setFont(systemFont(12, QFont::Bold));
    uninstallButton->setFixedSize(190, 42);
    uninstallButton->setCursor(Qt::PointingHandCursor);
    connect(uninstallButton, &QPushButton::clicked, this, &AppDelegate::uninstallSelected);
    auto* actionButtons = new QHBoxLayout;
    actionButtons->setSpacing(10);
    actionButtons->addWidget(uninstallButton);
    actionButtons->addWidget(installButton, 1);
    return actionButtons;
}

QLayout* AppDelegate::buildVersionLine()
{
    versionLabel->setObjectName(QStringLiteral("versionLabel"));
    // A release's version is the server's text: however long, it is shortened
    // rather than widen the window.
    elideText(versionLabel, Qt::ElideMiddle);
    versionLabel->setText(QString(applicationName) + QLatin1Char(' ') + ownVersion().value_or(QString()));
    versionLabel->setFont(systemFont(10, QFont::Medium));
    versionLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setTextColour(versionLabel, palette.muted);
    installerUpdateButton->setObjectName(QStringLiteral("installerUpdateButton"));
    installerUpdateButton->setFont(systemFont(10, QFont::Bold));
    setTextColour(installerUpdateButton, palette.burgundy, QPalette::ButtonText);
    connect(installerUpdateButton, &QPushButton::clicked, this, &AppDelegate::openInstallerUpdate);
    installerUpdateButton->hide();
    auto* versionLine = new QHBoxLayout;
    versionLine->setSpacing(8);
    versionLine->addWidget(installerUpdateButton, 0, Qt::AlignVCenter);
    versionLine->addStretch(1);
    versionLine->addWidget(versionLabel, 0, Qt::AlignVCenter);
    return versionLine;
}

void AppDelegate::placeWindow()
{
    // The content area is 1180 x 900; a menu bar inside the window (not on a
    // Mac) comes on top of that.
    auto* mainWindow = static_cast<QMainWindow*>(window.get());
    mainWindow->layout()->activate();
    const QSize chrome = mainWindow->size() - mainWindow->centralWidget()->size();
    mainWindow->setMinimumSize(minimumWindowSize.expandedTo(mainWindow->minimumSizeHint()));
    // The platform window, made here (winId), gives the frame's margins.
    mainWindow->winId();
    const QMargins frame = mainWindow->windowHandle()->frameMargins();
    const QScreen* screen = mainWindow->screen();
    QRect wanted(QPoint(0, 0), contentSize + chrome);
    if (screen)
        wanted.moveCenter(screen->availableGeometry().center() +
                          QPoint(frame.left() - frame.right(), frame.top() - frame.bottom()) / 2);
    // The frame of the last run, if any, replaces the centred one.
    const auto* autosave = new FrameAutosave(mainWindow, QStringLiteral("BrenvossInstallerMainWindow"),
                                             m_environment.homeDirectory);
    if (const std::optional<QRect> saved = autosave->savedGeometry()) {
        wanted = *saved;
        if (QScreen* savedOn = QGuiApplication::screenAt(saved->center()))
            screen = savedOn;
    }
    if (screen)
        wanted = fitToScreen(wanted, frame, mainWindow->minimumSize(), screen->availableGeometry());
    mainWindow->setGeometry(wanted);
}

void AppDelegate::stylePrimaryButton(QPushButton* button)
{
    // The fill, corner radius and title colour come from the application's
    // style sheet, which styles every button carrying this property.
    button->setProperty(primaryButtonProperty, true);
    button->setFont(systemFont(12, QFont::Bold));
    button->setFixedHeight(42);
    button->setCursor(Qt::PointingHandCursor);
    // A button already on screen picks up the property only when re-polished.
    if (button->testAttribute(Qt::WA_WState_Polished)) {
        button->style()->unpolish(button);
        button->style()->polish(button);
    }
}
