// The plugin list built from a catalogue: cards, lines, selection, reloads.
#include "support/AppWindow.h"

#include <QScrollArea>
#include <QScrollBar>

namespace {

using PluginList = LaunchedApp;

// Select all skips a disabled checkbox; a reload: every box on, progress 0, repeated slugs refreshed.
TEST_F(PluginList, SelectionThenCardsThreeToALineInCatalogueOrderRebuiltOnEachLoad)
{
    const Manifest three = testManifest(3);
    app->showManifest(three);
    QCheckBox* disabled = app.all<QCheckBox>("componentCheckbox")[1];
    app.find<QPushButton>("selectNoneButton")->click();
    disabled->setEnabled(false);
    app.find<QPushButton>("selectAllButton")->click();
    EXPECT_EQ(app->selectedComponents(), (QList{three.components[0], three.components[2]}));
    disabled->setChecked(true);
    app.find<QPushButton>("selectNoneButton")->click();
    EXPECT_FALSE(disabled->isChecked());
    const auto reload = [&](int components) {
        app->setProgressFraction(0.7);
        Manifest manifest = testManifest(components, QString::number(components));
        if (components > 0)
            manifest.components.back().slug = manifest.components.front().slug;
        app->showManifest(manifest);
        for (const QLabel* status : app.all<QLabel>("componentStatus"))
            EXPECT_EQ(status->text(), QStringLiteral("Not installed"));
        EXPECT_DOUBLE_EQ(app->progressFraction(), 0.0);
        EXPECT_EQ(app->selectedComponents(), manifest.components);
        EXPECT_EQ(app.find<QLabel>("statusLabel")->text(),
                  QStringLiteral("%1 plugins ready \u2014 collection version %1").arg(components));
        QStringList lines; // "card title,card title,emptySlot"
        for (QWidget* line : app.all<QWidget>("pluginListLine")) {
            QStringList slots;
            for (QWidget* slot : line->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                slots.append(slot->objectName() == u"pluginCard" ? slot->findChild<QCheckBox*>()->text()
                                                                 : slot->objectName());
            lines.append(slots.join(u','));
        }
        return lines;
    };
    EXPECT_EQ(reload(4), (QStringList{QStringLiteral("Plugin 1,Plugin 2,Plugin 3"),
                                      QStringLiteral("Plugin 4,emptySlot,emptySlot")}));
    EXPECT_TRUE(reload(0).isEmpty());
}

TEST_F(PluginList, CardsInEqualThirdsWhateverTheirTextsInAListSizedToTheViewport)
{
    Manifest manifest = testManifest(3);
    manifest.components[0].name = QStringLiteral("A plugin with a name far too long for any card");
    manifest.components[1].formats = QStringList(12, QStringLiteral("AAX NATIVE"));
    manifest.components[2].formats.append(QStringLiteral("AAX NATIVE"));
    app->showManifest(manifest);
    app->mainWindow()->resize(980, 620);
    settle();
    const QList<QWidget*> cards = app.all<QWidget>("pluginCard");
    EXPECT_EQ(cards[2]->findChild<QLabel*>(QStringLiteral("componentFormats"))->text(),
              QStringLiteral("AU  \u2022  VST3  \u2022  AAX NATIVE"));
    EXPECT_EQ(cards[1]->x() - cards[0]->geometry().right() - 1, 7);
    for (QWidget* card : cards) {
        EXPECT_LE(qAbs(card->width() - cards[0]->width()), 1);
        for (QWidget* child : card->findChildren<QWidget*>())
            EXPECT_TRUE(app.frameOf(card).adjusted(10, 7, -10, -7).contains(app.frameOf(child)))
                << child->objectName().toStdString();
    }
    auto* scrollView = app.find<QScrollArea>("pluginScrollView");
    EXPECT_EQ(app.find("listStack")->size(), scrollView->viewport()->size());
    EXPECT_EQ(app.find("pluginListLine")->geometry().topLeft(), QPoint(12, 10));
    app->showManifest(testManifest(60));
    EXPECT_EQ(app.find("listStack")->size(),
              QSize(scrollView->viewport()->width(), 10 + 20 * 48 + 19 * 6 + 10));
    scrollView->verticalScrollBar()->setValue(300);
    app->showManifest(testManifest(60));
    EXPECT_EQ(scrollView->verticalScrollBar()->value(), 0);
}

} // namespace
