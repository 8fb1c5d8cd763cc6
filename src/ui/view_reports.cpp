// The listing commands: the listing written to a temporary file and shown in the listing
// window.
#include <QDir>
#include <QTemporaryFile>

#include "file_chooser.h"
#include "listing_window.h"
#include "listings.h"
#include "messages.h"
#include "orvanta_view.h"

namespace orv::ui {

namespace {

ListingKind listingKind(CommandId id) {
    switch (id) {
        case CommandId::ListNode:
            return ListingKind::Nodes;
        case CommandId::ListElement:
            return ListingKind::Elements;
        case CommandId::ListResults:
            return ListingKind::Results;
        default:
            return ListingKind::ModelInformation;
    }
}

}  // namespace

void COrvantaView::listingCommand(CommandId id) {
    if (!scene_.allowed(id, *this)) {
        afterCommand(false);
        return;
    }
    const ListingKind kind = listingKind(id);
    // A file of its own, created anew (never one planted under a known name) and removed when
    // the window closes, however far the writing got.
    QTemporaryFile file(QDir::temp().filePath(QStringLiteral("Ovtempfile-XXXXXX.tmp")));
    QString path;
    if (file.open()) {
        path = file.fileName();
        file.close();
        writeListingFile(kind, scene_.model(), path.toStdString(), messages_);
    } else if (kind == ListingKind::Nodes || kind == ListingKind::Elements) {
        messages_.showError(" Error to open file " + file.fileTemplate().toStdString());
    } else {
        messages_.showError(" Error to open file .rst");
    }
    ListingWindow listing(window(), QString::fromLatin1(listingTitle(kind)), messages_, *chooser_);
    listing.load(path);
    listing.exec();
    afterCommand(false);
}

}  // namespace orv::ui
