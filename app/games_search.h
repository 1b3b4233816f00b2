// The search for the games on the card, off the window's thread: started after each listing,
// its result handed to the window on the window's thread. A newer search or the window's end
// makes an older one stop, and its result is dropped.
#pragma once

#include <wx/event.h>

#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "games/card_games.h"

namespace slotkit::app {

class GamesSearch {
  public:
    // What looks for the games (FindCardGames; tests put in one they can hold up).
    using Finder =
        std::function<games::CardGames(const std::string&, slots::EditMode, std::stop_token)>;
    using Found = std::function<void()>;

    // `owner` receives the results as calls on its thread; `found` is called there when the
    // newest search has ended.
    GamesSearch(wxEvtHandler& owner, Found found);
    // Asks every search still running to stop and waits for them, so that none outlives the
    // window.
    ~GamesSearch();
    GamesSearch(const GamesSearch&) = delete;
    GamesSearch& operator=(const GamesSearch&) = delete;

    void SetFinder(Finder finder) { finder_ = std::move(finder); }

    // Starts a search of the card; the result of any earlier one is dropped.
    void Start(const std::string& cardRoot, slots::EditMode mode);
    // Nothing is looked for: there is no card, or its listing is gone.
    void Drop();
    // As Drop, and waits until no search reads the card any more (before it is ejected).
    void DropAndWait();

    // True while the newest search runs.
    bool Looking() const { return looking_; }
    // The newest search's result; nothing while it runs or when nothing was looked for.
    const std::shared_ptr<const games::CardGames>& Result() const { return result_; }

  private:
    struct Worker {
        unsigned id;
        std::jthread thread;
    };

    void Finished(unsigned id, std::shared_ptr<const games::CardGames> games);
    void RetireCurrent();

    wxEvtHandler& owner_;
    Found found_;
    Finder finder_;
    unsigned next_ = 0;     // the id of the next search
    unsigned current_ = 0;  // the id of the newest search (0: none)
    bool looking_ = false;
    std::shared_ptr<const games::CardGames> result_;
    std::vector<Worker> workers_;  // running, or ended with their result not yet handed over
};

}  // namespace slotkit::app
