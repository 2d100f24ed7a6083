// The script's arrays: their bounds, one per dimension, and the elements in
// one block (a limit keeps a ReDim from taking all memory), ReDim with and
// without Preserve, Erase.

#include "core/Variant.h"

#include "core/RunCheck.h"
#include "core/ValueError.h"

#include <algorithm>

namespace core {

namespace {

constexpr std::size_t kMaxArrayElements = 64u * 1024u * 1024u;
// Elements made or copied between two looks at the run's stop and time-out:
// an array may hold 64 Mi of them, a second's work or more. A step is 1 MB
// of new memory: the first touch of its pages is most of its cost, and on a
// busy machine (or the sanitizer build) a step of 16 MB took up to 2 s.
constexpr std::size_t kCheckEvery = 1u << 16;

Variant defaultOf(VType kind) {
    switch (kind) {
        case VType::Boolean:
            return Variant(false);
        case VType::Byte:
            return Variant(std::uint8_t(0));
        case VType::Integer:
            return Variant(std::int16_t(0));
        case VType::Long:
            return Variant(std::int32_t(0));
        case VType::Single:
            return Variant(0.0f);
        case VType::Double:
            return Variant(0.0);
        case VType::Currency:
            return Variant(Currency());
        case VType::Date:
            return Variant(Date());
        case VType::String:
            return Variant(QString());
        case VType::Object:
            return Variant::nothing();
        default:
            return Variant();
    }
}

std::size_t elementCount(const std::vector<ArrayBound>& bounds) {
    std::size_t total = bounds.empty() ? 0 : 1;
    for (const ArrayBound& b : bounds) {
        if (b.count < 0) raiseValueError(kErrSubscript);
        if (b.count != 0 && total > kMaxArrayElements / std::size_t(b.count))
            raiseValueError(kErrOutOfMemory);
        total *= std::size_t(b.count);
    }
    if (total > kMaxArrayElements) raiseValueError(kErrOutOfMemory);
    return total;
}

// n more elements of the value at the end of v, in steps.
void appendCopies(std::vector<Variant>& v, std::size_t n, const Variant& value) {
    v.reserve(v.size() + n);
    while (n > 0) {
        const std::size_t step = std::min(n, kCheckEvery);
        v.insert(v.end(), step, value);
        n -= step;
        if (n > 0) checkRun();
    }
}

// The elements of from copied to the end of to, in steps.
void appendCopiesOf(std::vector<Variant>& to, const std::vector<Variant>& from) {
    to.reserve(to.size() + from.size());
    for (std::size_t i = 0; i < from.size(); i += kCheckEvery) {
        if (i > 0) checkRun();
        const auto first = from.begin() + std::ptrdiff_t(i);
        to.insert(to.end(), first, first + std::ptrdiff_t(std::min(kCheckEvery, from.size() - i)));
    }
}

}  // namespace

VariantArray::VariantArray(std::vector<ArrayBound> bounds, VType elementType)
    : bounds_(std::move(bounds)), elementType_(elementType) {
    appendCopies(elements_, elementCount(bounds_), defaultOf(elementType_));
}

VariantArray VariantArray::detached() const {
    VariantArray copy;
    copy.bounds_ = bounds_;
    copy.elementType_ = elementType_;
    copy.fixed_ = fixed_;
    appendCopiesOf(copy.elements_, elements_);
    return copy;
}

VariantArray VariantArray::fromValues(std::vector<Variant> values) {
    VariantArray a;
    a.bounds_ = {ArrayBound{0, std::int32_t(values.size())}};
    a.elements_ = std::move(values);
    return a;
}

std::int32_t VariantArray::lowerBound(int dimension) const {
    if (dimension < 1 || dimension > dimensions()) raiseValueError(kErrSubscript);
    return bounds_[std::size_t(dimension - 1)].lower;
}

std::int32_t VariantArray::upperBound(int dimension) const {
    if (dimension < 1 || dimension > dimensions()) raiseValueError(kErrSubscript);
    return bounds_[std::size_t(dimension - 1)].upper();
}

std::size_t VariantArray::offsetOf(std::span<const std::int32_t> indices) const {
    if (indices.size() != bounds_.size() || bounds_.empty()) raiseValueError(kErrSubscript);
    std::size_t offset = 0, stride = 1;
    for (std::size_t d = 0; d < bounds_.size(); ++d) {
        const ArrayBound& b = bounds_[d];
        const std::int64_t i = std::int64_t(indices[d]) - b.lower;
        if (i < 0 || i >= b.count) raiseValueError(kErrSubscript);
        offset += std::size_t(i) * stride;
        stride *= std::size_t(b.count);
    }
    return offset;
}

const Variant& VariantArray::at(std::span<const std::int32_t> indices) const {
    return elements_[offsetOf(indices)];
}

Variant& VariantArray::at(std::span<const std::int32_t> indices) { return elements_[offsetOf(indices)]; }

const Variant& VariantArray::at(std::int32_t index) const {
    return elements_[offsetOf(std::span<const std::int32_t>(&index, 1))];
}

Variant& VariantArray::at(std::int32_t index) {
    return elements_[offsetOf(std::span<const std::int32_t>(&index, 1))];
}

void VariantArray::redim(std::vector<ArrayBound> bounds, bool preserve) {
    if (fixed_) raiseValueError(kErrFixedArray);
    const std::size_t total = elementCount(bounds);
    if (!preserve || bounds_.empty()) {
        // Made whole before the old elements go: a run stopped meanwhile
        // leaves the array as it was.
        std::vector<Variant> fresh;
        appendCopies(fresh, total, defaultOf(elementType_));
        bounds_ = std::move(bounds);
        elements_.swap(fresh);
        return;
    }
    if (bounds.size() != bounds_.size() || bounds.back().lower != bounds_.back().lower)
        raiseValueError(kErrSubscript);
    for (std::size_t d = 0; d + 1 < bounds.size(); ++d)
        if (bounds[d] != bounds_[d]) raiseValueError(kErrSubscript);
    // The last index varies slowest: keeping the first elements keeps every
    // element whose last index still exists.
    const std::size_t kept = elements_.size();
    if (total > kept && kept > kCheckEvery) {
        // Growing a large array in place would move all of it to its new
        // block in one step, seconds for millions of elements: it is built
        // anew in steps instead, and a run stopped meanwhile leaves it as it was.
        std::vector<Variant> grown;
        grown.reserve(total);
        appendCopiesOf(grown, elements_);
        checkRun();
        appendCopies(grown, total - kept, defaultOf(elementType_));
        elements_.swap(grown);
    } else if (total > kept) {
        try {
            appendCopies(elements_, total - kept, defaultOf(elementType_));
        } catch (...) {
            elements_.resize(kept);  // stopped: the array keeps its old size
            throw;
        }
    } else {
        elements_.resize(total);
    }
    bounds_ = std::move(bounds);
}

void VariantArray::erase() {
    if (fixed_) {
        const Variant empty = defaultOf(elementType_);
        for (std::size_t i = 0; i < elements_.size(); i += kCheckEvery) {
            if (i > 0) checkRun();
            const auto from = elements_.begin() + std::ptrdiff_t(i);
            std::fill(from, from + std::ptrdiff_t(std::min(kCheckEvery, elements_.size() - i)), empty);
        }
        return;
    }
    bounds_.clear();
    elements_.clear();
}

}  // namespace core
