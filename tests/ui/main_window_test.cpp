// The main window on the offscreen platform.
#include "inputs/add_inputs.h"
#include "settings/settings.h"
#include "support/temp_dir.h"
#include "support/ui_fakes.h"
#include "texts/language_table.h"
#include "themes/image_slots.h"
#include "ui/main_window.h"
#include "ui/main_window_layout.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace dravik {
namespace {

class MainWindowTest : public testing::Test, public test::WindowParts {
  protected:
    void SetUp() override {
        LoadLanguageTable("");
        ApplyDefaults(settings, false, {});
        RegisterBuiltinImages(slots);
        window = std::make_unique<MainWindow>(ctx, "Tolvenor Dravik 3.1");
        window->showMainWindow();
        QApplication::processEvents();
        QGuiApplication::clipboard()->setText("untouched");
    }

    // Files the list accepts, in a private folder.
    std::string picture(const std::string& name) { return dir.write(name, "PICT"); }

    void fill(std::initializer_list<const char*> names) {
        for (const char* name : names)
            AddInputFile(session, "", picture(name), window->rowObserver());
        QApplication::processEvents();
    }

    void select(std::initializer_list<int> rows) {
        window->listView()->clearSelection();
        for (int row : rows)
            window->listView()->topLevelItem(row)->setSelected(true);
    }

    template <typename T> T* child(const char* name) { return window->findChild<T*>(name); }

    test::TempDir dir;
    std::unique_ptr<MainWindow> window;
};

QRect Rect(const ControlRect& r) {
    return {r.x, r.y, r.width, r.height};
}

TEST_F(MainWindowTest, StartsReadyWithTheJpegFormatAndTitle) {
    EXPECT_EQ(window->windowTitle(), "Tolvenor Dravik 3.1");
    EXPECT_EQ(window->statusText(), "Ready");
    ASSERT_EQ(window->formatList()->count(), 1);
    EXPECT_EQ(window->formatList()->currentText(), "JPG (JPEG File Format)");
    EXPECT_EQ(window->listView()->headerItem()->text(0), "Filename");
    const QStringList menus = [&] {
        QStringList titles;
        for (QAction* a : window->menuBar()->actions())
            titles << a->text();
        return titles;
    }();
    EXPECT_EQ(menus, (QStringList{"File", "Edit", "Converter", "Help"}));
    auto* toolbar = child<QToolBar>("mainToolbar");
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(toolbar->iconSize(), QSize(32, 32)); // Interface/UI Size 2
}

TEST_F(MainWindowTest, LayoutFollowsTheWindowAndKeepsTheMinimum) {
    for (QSize size : {QSize(510, 330), QSize(800, 600)}) {
        window->resize(size);
        QApplication::processEvents();
        const int m = window->menuBar()->height();
        const int t = child<QToolBar>("mainToolbar")->height();
        const int s = window->statusBar()->height();
        const MainWindowLayout l = LayoutMainWindow(size.width(), size.height(), m, t, s);
        EXPECT_EQ(window->listView()->geometry(), Rect(l.list)) << size.width();
        EXPECT_EQ(window->listView()->columnWidth(0), l.columnWidth);
        EXPECT_EQ(window->outFolderList()->geometry(), Rect(l.folderList));
        EXPECT_EQ(window->formatList()->geometry(), Rect(l.formatList));
        EXPECT_EQ(child<QToolButton>("outFolderButton")->geometry(), Rect(l.folderButton));
        EXPECT_EQ(child<QToolButton>("outFormatButton")->geometry(), Rect(l.formatButton));
        EXPECT_EQ(child<QToolButton>("convertButton")->geometry(), Rect(l.convertButton));
        // The panel sits right below the toolbar, ten pixels above the status bar.
        QWidget* panel = child<QWidget>("panel");
        EXPECT_EQ(panel->mapTo(window.get(), QPoint(0, 0)).y(), m + t);
        EXPECT_EQ(window->statusBar()->y() - (m + t + panel->height()), 10);
    }
    window->resize(300, 200);
    QApplication::processEvents();
    EXPECT_GE(window->width(), 510);
    EXPECT_GE(window->height(), 330);
}

TEST_F(MainWindowTest, CopyJoinsSelectedRowsWithoutTrailingBreak) {
    fill({"a.pic", "b.pic", "c.pic", "d.pic", "e.pic"});
    window->listView()->setFocus();
    select({0, 2, 4});
    window->runCommand(Command::Copy);
    const QString d = QString::fromStdString(dir.path());
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              d + "a.pic\r\n" + d + "c.pic\r\n" + d + "e.pic");
}

TEST_F(MainWindowTest, DeleteSelectsTheRowThatTakesThePlace) {
    struct Case {
        std::initializer_list<int> selected;
        int remaining;
        int selectedAfter; // -1: none
    };
    for (const Case& c : {Case{{4}, 4, 3}, Case{{1, 2}, 3, 1}, Case{{0, 1, 2, 3, 4}, 0, -1}}) {
        window->runCommand(Command::New);
        fill({"a.pic", "b.pic", "c.pic", "d.pic", "e.pic"});
        window->listView()->setFocus();
        select(c.selected);
        window->runCommand(Command::Delete);
        ASSERT_EQ(window->rowCount(), c.remaining);
        EXPECT_EQ(session.inputs.size(), static_cast<size_t>(c.remaining));
        const auto items = window->listView()->selectedItems();
        if (c.selectedAfter < 0) {
            EXPECT_TRUE(items.isEmpty());
        } else {
            ASSERT_EQ(items.size(), 1);
            EXPECT_EQ(window->listView()->indexOfTopLevelItem(items[0]), c.selectedAfter);
        }
    }
}

TEST_F(MainWindowTest, ListCommandsActOnlyWhileTheListHasTheFocus) {
    fill({"a.pic", "b.pic", "c.pic"});
    select({1});
    window->outFolderList()->setFocus();
    window->runCommand(Command::Copy);
    window->runCommand(Command::SelectAll);
    window->runCommand(Command::Delete);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "untouched");
    EXPECT_EQ(window->listView()->selectedItems().size(), 1);
    EXPECT_EQ(window->rowCount(), 3);

    window->listView()->setFocus();
    window->runCommand(Command::SelectAll);
    EXPECT_EQ(window->listView()->selectedItems().size(), 3);
}

TEST_F(MainWindowTest, ListShortcutsWaitForTheListsFirstEvent) {
    fill({"a.pic", "b.pic"});
    InputListView* list = window->listView();
    list->setFocus();
    select({0});
    // The first key press is the list's first event: it adds the shortcuts
    // but is not itself a copy.
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "untouched");

    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromStdString(dir.path()) + "a.pic");

    QGuiApplication::clipboard()->setText("untouched");
    window->outFolderList()->setFocus();
    QTest::keyClick(window->outFolderList(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "untouched");
}

TEST_F(MainWindowTest, ClickOnTheListAddsTheShortcutsToo) {
    fill({"a.pic", "b.pic"});
    InputListView* list = window->listView();
    const QRect row = list->visualItemRect(list->topLevelItem(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
    ASSERT_TRUE(list->hasFocus());
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(list->selectedItems().size(), 2);
}

TEST_F(MainWindowTest, DroppedFolderIsImportedBeforeTheDroppedFiles) {
    dir.write("in/x.pic", "PICT");
    dir.write("in/sub/y.pct", "PICT");
    dir.write("in/notes.txt", "text");
    const std::string one = picture("one.pic");
    const std::string two = picture("two.pict");
    auto* mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(QString::fromStdString(dir.path() + "in")),
                   QUrl::fromLocalFile(QString::fromStdString(one)),
                   QUrl::fromLocalFile(QString::fromStdString(two))});
    QDragEnterEvent enter(QPoint(50, 80), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(50, 80), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
    QApplication::processEvents();
    delete mime;

    const std::string in = dir.path() + "in/";
    EXPECT_EQ(window->rows(), (std::vector<std::string>{in + "sub/y.pct", in + "x.pic", one, two}));
    EXPECT_EQ(state.importFolder, in);
    // The first row found an empty output folder list and filled it.
    EXPECT_EQ(window->outputFolderText(), in);
    EXPECT_EQ(state.currentOutputFolder, in);
    EXPECT_TRUE(window->isEnabled());
}

TEST_F(MainWindowTest, RowsFromAWorkerThreadArriveInOrder) {
    std::vector<std::string> expected;
    for (int i = 0; i < 2000; ++i)
        expected.push_back("/w/" + std::to_string(i) + ".pic");
    std::thread worker([&] {
        for (const std::string& path : expected)
            window->rowObserver()->rowAdded(path);
    });
    worker.join();
    QApplication::processEvents();
    EXPECT_EQ(window->rows(), expected);
}

TEST_F(MainWindowTest, NewClearsListAndOutputFolderText) {
    fill({"a.pic"});
    ASSERT_FALSE(window->outputFolderText().empty());
    window->runCommand(Command::New);
    EXPECT_EQ(window->rowCount(), 0);
    EXPECT_TRUE(session.inputs.empty());
    EXPECT_EQ(window->outputFolderText(), "");
    EXPECT_EQ(window->statusText(), "Ready");
    // The history stays and still offers the folder.
    EXPECT_EQ(window->outFolderList()->findText(QString::fromStdString(dir.path())), 0);
}

TEST_F(MainWindowTest, ChoosingTheFormatStoresItAtOnce) {
    settings.output.format = "";
    QComboBox* formats = window->formatList();
    Q_EMIT formats->activated(0);
    EXPECT_EQ(settings.output.format, "jpg");
}

TEST_F(MainWindowTest, AddChooserClosedWithEscapeChangesNothing) {
    fill({"a.pic"});
    bool sawChooser = false;
    QTimer::singleShot(0, [&] {
        QWidget* chooser = QApplication::activeModalWidget();
        sawChooser = chooser != nullptr && chooser->objectName() == "addChooser";
        if (chooser != nullptr) {
            EXPECT_EQ(chooser->size(), QSize(270, 160));
            QTest::keyClick(chooser, Qt::Key_Escape);
        }
    });
    window->runCommand(Command::Add);
    EXPECT_TRUE(sawChooser);
    EXPECT_EQ(window->rowCount(), 1);
    EXPECT_TRUE(window->isEnabled());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace
} // namespace dravik
