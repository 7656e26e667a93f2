#include "engine/server_folder_fetch.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>

#include "engine/worker_threads.h"
#include "settings/watched_folders.h"

std::shared_ptr<InterruptSignal> FetchServerFolders(QObject* receiver, AccountSettings account,
                                                    SessionOptions options,
                                                    std::function<void(FolderListing)> done) {
    auto interrupt = std::make_shared<InterruptSignal>();
    options.interrupt = interrupt;
    const QPointer<QObject> owner(receiver);
    QThread* thread =
        QThread::create([owner, account = std::move(account), options, done = std::move(done)] {
            FolderListing listing;
            try {
                listing = ListServerFolders(account, options);
            } catch (const std::exception& error) {
                listing.listed = false;
                listing.error = error.what();
            }
            QMetaObject::invokeMethod(
                qApp,
                [owner, done, listing = std::move(listing)] {
                    if (owner) done(listing);
                },
                Qt::QueuedConnection);
        });
    thread->start();
    AdoptWorkerThread(thread, [interrupt] { interrupt->Raise(); });
    return interrupt;
}

std::vector<std::string> WatchedNamesOf(const AccountSettings& account,
                                        const FolderListing& listing) {
    if (!listing.listed) return ParseFolderChoice(account.folders).names;
    return WatchedFolderNames(account, listing.folders);
}
