#include "app/games_search.h"

#include <algorithm>
#include <exception>

namespace slotkit::app {

GamesSearch::GamesSearch(wxEvtHandler& owner, Found found)
    : owner_(owner),
      found_(std::move(found)),
      finder_([](const std::string& root, slots::EditMode mode, std::stop_token stop) {
          return games::FindCardGames(root, mode, std::move(stop));
      }) {}

GamesSearch::~GamesSearch() {
    for (Worker& worker : workers_) {
        worker.thread.request_stop();
    }
    // jthread joins as it goes; a stopped search ends at its next file.
    workers_.clear();
}

void GamesSearch::RetireCurrent() {
    for (Worker& worker : workers_) {
        worker.thread.request_stop();
    }
    current_ = 0;
    looking_ = false;
    result_.reset();
}

void GamesSearch::Drop() {
    RetireCurrent();
}

void GamesSearch::DropAndWait() {
    Drop();
    // Each has been asked to stop and ends at its next file. A result they handed over already
    // finds no worker and no search of its own.
    workers_.clear();
}

void GamesSearch::Start(const std::string& cardRoot, slots::EditMode mode) {
    RetireCurrent();
    const unsigned id = ++next_;
    current_ = id;
    looking_ = true;
    // The worker touches nothing of the window: it hands its result over as a call on the
    // window's thread. That call comes before the window's end or never runs: the window waits
    // for its workers, and a call still queued then is discarded with the window.
    workers_.push_back({id, std::jthread([this, owner = &owner_, id, cardRoot, mode,
                                          finder = finder_](std::stop_token stop) {
                            std::shared_ptr<const games::CardGames> games;
                            try {
                                games = std::make_shared<const games::CardGames>(
                                    finder(cardRoot, mode, stop));
                            } catch (...) {
                                // Out of memory on a card of many ROMs: the games stay unknown.
                                games = std::make_shared<const games::CardGames>();
                            }
                            owner->CallAfter([this, id, games] { Finished(id, games); });
                        })});
}

void GamesSearch::Finished(unsigned id, std::shared_ptr<const games::CardGames> games) {
    auto worker = std::find_if(workers_.begin(), workers_.end(),
                               [id](const Worker& w) { return w.id == id; });
    if (worker != workers_.end()) {
        workers_.erase(worker);  // its thread is at its end: the join is at once
    }
    if (id != current_) {
        return;
    }
    looking_ = false;
    result_ = std::move(games);
    if (found_) {
        found_();
    }
}

}  // namespace slotkit::app
