#include "app/AppDelegate.h"
#include "ui/PluginListStackView.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

void AppDelegate::buildMainMenu() {}

void AppDelegate::buildWindow()
{
    window = std::make_unique<QWidget>();
    window->setWindowTitle(QStringLiteral("Brenvoss Installer"));
    auto* root = new QVBoxLayout(window.get());
    root->addWidget(subtitleLabel);
    pluginScrollView->setWidget(listStack);
    pluginScrollView->setWidgetResizable(true);
    root->addWidget(pluginScrollView, 1);
    root->addWidget(selectAllButton);
    root->addWidget(selectNoneButton);
    root->addWidget(refreshButton);
    root->addWidget(progress);
    root->addWidget(statusLabel);
    root->addWidget(uninstallButton);
    root->addWidget(installButton);
    root->addWidget(installerUpdateButton);
    root->addWidget(versionLabel);
    connect(refreshButton, &QPushButton::clicked, this, &AppDelegate::refresh);
    connect(selectAllButton, &QPushButton::clicked, this, &AppDelegate::selectAll);
    connect(selectNoneButton, &QPushButton::clicked, this, &AppDelegate::selectNone);
    installButton->setEnabled(false);
    installerUpdateButton->hide();
    window->resize(1180, 900);
    window->show();
}

void AppDelegate::stylePrimaryButton(QPushButton* /*button*/) {}
