// The plugin list built from a catalogue: cards, lines, selection, reloads.
#include "support/AppWindow.h"

#include <QScrollArea>
#include <QScrollBar>

namespace {

using PluginList = LaunchedApp;

// Each catalogue is a reload: the lines start afresh, three cards to a line
// in catalogue order, every checkbox on, the progress at zero.
TEST_F(PluginList, CardsThreeToALineInCatalogueOrderRebuiltOnEachLoad)
{
    app->showManifest(testManifest(2));
    const auto reload = [&](int components) {
        app.find<QCheckBox>("componentCheckbox")->setChecked(false);
        app->setProgressFraction(0.7);
        const Manifest manifest = testManifest(components, QString::number(components));
        app->showManifest(manifest);
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
    EXPECT_EQ(reload(7), (QStringList{QStringLiteral("Plugin 1,Plugin 2,Plugin 3"),
                                      QStringLiteral("Plugin 4,Plugin 5,Plugin 6"),
                                      QStringLiteral("Plugin 7,emptySlot,emptySlot")}));
    EXPECT_TRUE(reload(0).isEmpty());
}

// At the smallest window: cards 48 high in equal thirds 7 apart, long texts
// shortened inside the card's insets rather than cut by its edge.
TEST_F(PluginList, CardsAre48HighInEqualThirdsWhateverTheirTexts)
{
    Manifest manifest = testManifest(3);
    manifest.components[0].name =
        QStringLiteral("A plugin with a name far too long to fit on any card at all");
    manifest.components[1].formats = QStringList(12, QStringLiteral("AAX NATIVE"));
    manifest.components[2].formats = {QStringLiteral("AU"), QStringLiteral("VST3"),
                                      QStringLiteral("AAX NATIVE")};
    app->showManifest(manifest);
    app.all<QLabel>("componentStatus")[1]->setText(QString(80, QLatin1Char('v')));
    app->mainWindow()->resize(980, 620);
    settle();
    const QList<QWidget*> cards = app.all<QWidget>("pluginCard");
    EXPECT_EQ(cards[2]->findChild<QLabel*>(QStringLiteral("componentFormats"))->text(),
              QStringLiteral("AU  \u2022  VST3  \u2022  AAX NATIVE"));
    EXPECT_EQ(cards[1]->x() - cards[0]->geometry().right() - 1, 7);
    for (QWidget* card : cards) {
        EXPECT_EQ(card->height(), 48);
        EXPECT_LE(qAbs(card->width() - cards[0]->width()), 1);
        for (QWidget* child : card->findChildren<QWidget*>())
            EXPECT_TRUE(card->rect()
                            .adjusted(10, 7, -10, -7)
                            .contains(QRect(child->mapTo(card, QPoint()), child->size())))
                << child->objectName().toStdString();
    }
}

// A short list fills the viewport from the top; a long one scrolls and a
// rebuilt one starts at the top.
TEST_F(PluginList, ListFillsTheViewportKeepsShortListsAtTheTopAndScrollsLongOnes)
{
    auto* scrollView = app.find<QScrollArea>("pluginScrollView");
    QWidget* list = app.find("listStack");
    app->showManifest(testManifest(2));
    EXPECT_EQ(list->size(), scrollView->viewport()->size());
    EXPECT_EQ(app.find("pluginListLine")->geometry().topLeft(), QPoint(12, 10));
    app->showManifest(testManifest(60));
    EXPECT_EQ(list->size(), QSize(scrollView->viewport()->width(), 10 + 20 * 48 + 19 * 6 + 10));
    scrollView->verticalScrollBar()->setValue(300);
    app->showManifest(testManifest(60));
    EXPECT_EQ(scrollView->verticalScrollBar()->value(), 0);
}

TEST_F(PluginList, RepeatedSlugsEachGetTheirOwnRefreshedStatus)
{
    Manifest manifest = testManifest(3);
    manifest.components[2].slug = manifest.components[0].slug;
    app->showManifest(manifest);
    for (const QLabel* status : app.all<QLabel>("componentStatus"))
        EXPECT_EQ(status->text(), QStringLiteral("Not installed"));
}

// Select all leaves a disabled (busy) checkbox alone; select none does not.
TEST_F(PluginList, SelectAllSkipsDisabledCheckboxesSelectNoneDoesNot)
{
    const Manifest manifest = testManifest(3);
    app->showManifest(manifest);
    QCheckBox* disabled = app.all<QCheckBox>("componentCheckbox")[1];
    app.find<QPushButton>("selectNoneButton")->click();
    disabled->setEnabled(false);
    app.find<QPushButton>("selectAllButton")->click();
    EXPECT_EQ(app->selectedComponents(), (QList{manifest.components[0], manifest.components[2]}));
    disabled->setChecked(true);
    app.find<QPushButton>("selectNoneButton")->click();
    EXPECT_FALSE(disabled->isChecked());
}

} // namespace
