#pragma once

#include <QImage>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace brenlow {

// A 24-bit picture that one task makes from the bottom row up, one channel per thread, while
// another reads the rows already final (a file writer: a bitmap file holds its rows bottom-up).
// The maker announces the picture, then the rows each channel has finished; a maker that fails
// gives the picture up, which ends every wait.
class RowsInTheMaking {
public:
    struct Lines {
        const std::uint8_t* topLine = nullptr;
        std::size_t bytesPerLine = 0;
        int width = 0;
        int height = 0;
    };

    explicit RowsInTheMaking(int channels);

    // The maker's side. begin takes the line pointers once; the picture must stay where it is
    // until every row is final.
    void begin(const QImage& picture);
    void finish(int channel, int bottomRows);
    void abandon();

    // The reader's side (one reader): they wait, and throw Error when the picture is given up first.
    Lines waitForPicture();
    void waitForBottomRows(int rows);

private:
    int finishedRows() const;

    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<int> finished_;
    Lines lines_;
    int wanted_ = 0;  // the rows a reader waits for, 0 when none does
    bool begun_ = false;
    bool abandoned_ = false;
};

}  // namespace brenlow
