// The real macro page on a small sample library: once with a macro selected
// (its steps, repeat count and the save button after an edit), once while
// recording.
#include "Sections.h"

#include "app/Paths.h"
#include "controls/CPngBtn.h"
#include "controls/WindowMessage.h"
#include "macro/Macro.h"
#include "macro/MacroFile.h"
#include "macro/MacroLibrary.h"
#include "macro/MacroList.h"
#include "platform/AtomicFile.h"
#include "ui/CMacroDlg.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStandardItem>
#include <QTemporaryDir>

#include <cstring>

namespace kavrel::gallery {

namespace {

constexpr int Gap = 30;

StMacro sampleMacro(std::uint32_t id, std::initializer_list<StMacroEvent> events, std::uint16_t count)
{
    StMacro m = NewBlankMacro("sample");
    m.dwId = id;
    m.wLoopCount = count;
    int i = 0;
    for (const StMacroEvent& e : events)
        m.Events[i++] = e;
    return m;
}

void writeSample(const std::string& path, const StMacro& m)
{
    MakeSureFolderExist(path);
    const MacroFileBytes bytes = EncodeMacroFile(m);
    platform::writeFileAtomically(path, std::as_bytes(std::span(bytes)));
    AddToList(m);
}

TreeItem findItem(TreeItem parent, const QString& text)
{
    for (int row = 0; row < parent->rowCount(); ++row) {
        if (parent->child(row)->text() == text)
            return parent->child(row);
    }
    return nullptr;
}

void selectItem(CMacroDlg& page, TreeItem item)
{
    page.libraryView()->selectItem(item);
    sendWindowMessage(&page, MsgTreeLeftClick, CMacroDlg::LibraryViewId, page.libraryView()->itemId(item));
}

QImage grabbed(QWidget& window)
{
    const QImage image = window.grab().toImage();
    return image;
}

} // namespace

void addMacroPage(GalleryCanvas& canvas)
{
    const int top = canvas.beginSection("Macro page",
        "CMacroDlg on a sample library: a macro selected after its count was changed (save shown); recording "
        "after Ctrl, A pressed");
    QTemporaryDir appData;
    SetAppDataFolderOverride(appData.path().toStdString());
    MacroList.clear();
    const std::string root = MacroLibraryRoot() + "/";
    writeSample(root + "Reload.mck", sampleMacro(0x101, {{0x52, 1, 40}, {0x52, 0, 0}}, 1));
    writeSample(root + "Shooter/Burst fire.mck",
        sampleMacro(0x102, {{0x11, 1, 20}, {0x41, 1, 60}, {0x41, 0, 30}, {0x11, 0, 0}}, 3));
    writeSample(root + "Shooter/Grenade.mck", sampleMacro(0x103, {{0x47, 1, 120}, {0x47, 0, 0}}, 1));
    writeSample(root + "Office/Sign-off.mck", sampleMacro(0x104, {{0x10, 1, 10}, {0x53, 1, 0}}, 1));

    QImage selected;
    {
        CMacroDlg page(nullptr);
        page.show();
        CTreeCtrlEx& view = *page.libraryView();
        TreeItem shooter = findItem(view.RootItem(), "Shooter");
        if (shooter) {
            view.expand(shooter->index());
            if (TreeItem burst = findItem(shooter, "Burst fire"))
                selectItem(page, burst);
        }
        // The count typed as a user types it, so that the page sees an edit and shows Save.
        if (auto* count = page.findChild<QLineEdit*>("countBox")) {
            count->selectAll();
            QKeyEvent five(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, QStringLiteral("5"));
            QCoreApplication::sendEvent(count, &five);
        }
        selected = grabbed(page);
        page.hide();
    }
    QImage recording;
    {
        CMacroDlg page(nullptr);
        page.show();
        CTreeCtrlEx& view = *page.libraryView();
        if (TreeItem reload = findItem(view.RootItem(), "Reload"))
            selectItem(page, reload);
        auto* record = page.findChild<CPngBtn*>("recordButton");
        emit record->command(record);
        for (auto [code, up] : {std::pair{0x11, 0}, {0x41, 0}, {0x41, 0x80}})
            sendWindowMessage(&page, MsgKeyEvent, std::uintptr_t(code), up);
        recording = grabbed(page);
        emit record->command(record);
        page.hide();
    }
    MacroList.clear();

    const int left = GalleryCanvas::Margin;
    canvas.addLatePicture(QPoint(left, top), selected);
    canvas.addLatePicture(QPoint(left + logicalSize(selected).width() + Gap, top), recording);
    canvas.endSection(top + std::max(logicalSize(selected).height(), logicalSize(recording).height()));
}

} // namespace kavrel::gallery
