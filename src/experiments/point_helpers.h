#pragma once

#include <condition_variable>
#include <functional>
#include <list>
#include <mutex>
#include <utility>

namespace brenlow {

// A data set runs its items side by side, each coding its points one after another; once no item
// is left to start, a thread whose item is done would idle while the last items still code theirs.
// Those threads lend a hand instead: a sweep offers its points here while it runs, and an idle
// thread codes one point after another of the offers still open. Each point is coded once, by
// whichever thread takes it, so no figure depends on who helped.
class PointHelpers {
    struct Offer {
        std::function<bool()> codeOne;
        int helping = 0;     // points of it that helpers are coding now
        bool open = true;
    };

public:
    // A sweep's offer, open while it lives: `codeOne` codes one of the sweep's points, from any
    // thread, and returns false once it has none left to start; it must not throw. The offer's end
    // waits for the points helpers are coding.
    class Offered {
    public:
        Offered(PointHelpers& helpers, std::function<bool()> codeOne)
            : helpers_(&helpers), offer_(helpers.post(std::move(codeOne))) {}
        Offered(const Offered&) = delete;
        Offered& operator=(const Offered&) = delete;
        ~Offered() { helpers_->withdraw(offer_); }

    private:
        PointHelpers* helpers_;
        std::list<Offer>::iterator offer_;
    };

    // Codes points of the open offers until none has a point left to start.
    void help();

private:
    std::list<Offer>::iterator post(std::function<bool()> codeOne);
    void withdraw(std::list<Offer>::iterator offer);

    std::mutex mutex_;
    std::condition_variable helped_;
    std::list<Offer> offers_;
};

}  // namespace brenlow
