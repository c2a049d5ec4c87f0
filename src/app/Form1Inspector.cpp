// The main window opens block inspectors on the rows of its contents list.
#include "app/Form1.h"

#include "app/browser/ContentsList.h"
#include "app/browser/FileList.h"
#include "app/inspector/BesidePlacement.h"
#include "app/inspector/BlockInspector.h"

#include <QAbstractItemView>
#include <QDir>

namespace bitreel {

void Form1::OpenInspector(int row) {
    // The list is off while a transfer runs; the listed file is the one clicked.
    if (!lstContents->isEnabled() || File1->ListIndex() < 0) {
        return;
    }
    const BlockInspector::Source source{QDir(File1->Path()).filePath(File1->FileName()), Machine(),
                                        LayoutInForce(), row};
    const auto open = static_cast<int>(findChildren<BlockInspector*>().size());
    auto* inspector = new BlockInspector(source, this); // deletes itself when closed
    // Beside the window, not over its commands.
    PlaceBeside(*inspector, *this, open);
    inspector->show();
}

} // namespace bitreel
