#pragma once
// The room of the running procedures (their slots) and of the calls being
// made (their argument values), taken and given back in the order of a
// stack. Once the engine has run, a call allocates nothing, and the values
// do not sit on the thread's stack, whose depth the recursion guard watches.

#include <cstddef>
#include <memory>
#include <type_traits>
#include <vector>

namespace script {

template <class T>
class SlotStack {
  public:
    // Where the stack stood: give back to it with release().
    struct Mark {
        T* top;
        std::size_t chunk;
    };

    SlotStack() { enter(0, kFirstChunk); }
    SlotStack(const SlotStack&) = delete;
    SlotStack& operator=(const SlotStack&) = delete;

    Mark mark() const { return {top_, current_}; }

    // n contiguous items in their default state. Their addresses stay valid
    // until the release of a mark taken before them.
    [[gnu::always_inline]] T* take(std::size_t n) {
        if (std::size_t(limit_ - top_) < n) [[unlikely]]
            nextChunk(n);
        T* p = top_;
        top_ += n;
        return p;
    }

    // Gives back everything taken since m, first putting each item back in
    // its default state from the first to the last. Putting a value back may
    // run script code (an object's Class_Terminate), which takes and gives
    // back room above: the items stay taken until they are all clear.
    [[gnu::always_inline]] void release(Mark m) {
        if (m.chunk != current_) [[unlikely]]
            return releaseAcrossChunks(m);
        clear(m.top, top_);
        top_ = m.top;
    }

  private:
    struct Chunk {
        std::unique_ptr<T[]> items;
        std::size_t size = 0;
        T* top = nullptr;  // how far it was used when the next chunk was entered
    };
    static constexpr std::size_t kFirstChunk = 256;
    static constexpr std::size_t kChunk = 4096;

    // Clears [from, top_) of the current chunk; top_ is read at every step
    // (see release()).
    void clear(T* from, T* const& top) {
        if constexpr (requires(const T& t) { t.isEmpty(); }) {
            for (T* p = from; p < top; ++p)
                if (!p->isEmpty()) *p = T();
        } else if constexpr (!std::is_trivially_destructible_v<T>) {
            for (T* p = from; p < top; ++p) *p = T();
        }
    }

    void enter(std::size_t index, std::size_t atLeast) {
        if (index == chunks_.size()) chunks_.emplace_back();
        Chunk& c = chunks_[index];
        if (c.size < atLeast) {
            c.size = atLeast;
            c.items = std::make_unique<T[]>(atLeast);
        }
        current_ = index;
        top_ = c.items.get();
        limit_ = top_ + c.size;
    }

    [[gnu::noinline]] void nextChunk(std::size_t n) {
        chunks_[current_].top = top_;
        enter(current_ + 1, n > kChunk ? n : kChunk);
    }

    [[gnu::noinline]] void releaseAcrossChunks(Mark m) {
        // From the mark forwards: the rest of the mark's chunk, the chunks
        // after it, then the current one.
        for (std::size_t c = m.chunk; c < current_; ++c) {
            T* const end = chunks_[c].top;  // only the current chunk moves meanwhile
            clear(c == m.chunk ? m.top : chunks_[c].items.get(), end);
        }
        clear(chunks_[current_].items.get(), top_);
        current_ = m.chunk;
        top_ = m.top;
        limit_ = chunks_[current_].items.get() + chunks_[current_].size;
    }

    std::vector<Chunk> chunks_;
    std::size_t current_ = 0;
    T* top_ = nullptr;
    T* limit_ = nullptr;
};

}  // namespace script
