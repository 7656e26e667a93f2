#pragma once
// Asks an IMAP account's server for its folders on a worker thread (ListServerFolders) and hands
// the answer to a window on the user-interface thread, unless the window is gone by then.

#include <QObject>
#include <functional>
#include <memory>

#include "check/server_folders.h"
#include "net/interrupt.h"

// Starts the listing; `done` runs on the user-interface thread with the answer while `receiver`
// lives. Raising the returned signal ends the listing early (`done` then gets a failed one).
// The program's end interrupts it as every session worker.
std::shared_ptr<InterruptSignal> FetchServerFolders(QObject* receiver, AccountSettings account,
                                                    SessionOptions options,
                                                    std::function<void(FolderListing)> done);

// The folders of the listing that FOLDERS= of the account watches: every name it gives, or for
// "*" INBOX and the subscribed folders without a special use.
std::vector<std::string> WatchedNamesOf(const AccountSettings& account,
                                        const FolderListing& listing);
