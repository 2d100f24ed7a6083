#include "CardDeviceSimulator.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace cardsim {

namespace {

constexpr char kEsc = 0x1B;
constexpr char kFs = 0x1C;

}  // namespace

unsigned char reverseBits(unsigned char b) {
    unsigned char r = 0;
    for (int i = 0; i < 8; ++i)
        if (b & (1u << i)) r |= static_cast<unsigned char>(0x80u >> i);
    return r;
}

CardDeviceSimulator::CardDeviceSimulator() {
    termios tio{};
    cfmakeraw(&tio);
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, &tio, nullptr) != 0) throw std::runtime_error("openpty failed");
    slaveName_ = QString::fromLocal8Bit(name);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK);
    thread_ = std::thread([this] { run(); });
}

CardDeviceSimulator::~CardDeviceSimulator() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake();
    thread_.join();
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
    ::close(wakeFd_);
}

void CardDeviceSimulator::wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(wakeFd_, &one, sizeof one);
}

void CardDeviceSimulator::setCard(const QByteArray& track1Text) {
    std::lock_guard lock(mutex_);
    card_ = track1Text;
}
QByteArray CardDeviceSimulator::card() const {
    std::lock_guard lock(mutex_);
    return card_;
}
void CardDeviceSimulator::setRawCard(const QByteArray& coded) {
    std::lock_guard lock(mutex_);
    rawCard_ = coded;
}
QByteArray CardDeviceSimulator::rawCard() const {
    std::lock_guard lock(mutex_);
    return rawCard_;
}
void CardDeviceSimulator::setStatus(char command, char status) {
    std::lock_guard lock(mutex_);
    status_[command] = status;
}
void CardDeviceSimulator::pushStatus(char command, char status) {
    std::lock_guard lock(mutex_);
    statusQueue_[command].push_back(status);
}
void CardDeviceSimulator::setDelay(int ms) {
    std::lock_guard lock(mutex_);
    delayMs_ = ms;
}
void CardDeviceSimulator::setSplit(int at, int gapMs) {
    std::lock_guard lock(mutex_);
    splitAt_ = at;
    gapMs_ = gapMs;
}
void CardDeviceSimulator::setSilent(char command, bool silent) {
    std::lock_guard lock(mutex_);
    silent_[command] = silent;
}
void CardDeviceSimulator::pushGarbage(const QByteArray& bytes) {
    std::lock_guard lock(mutex_);
    garbage_.push_back(bytes);
}
void CardDeviceSimulator::setHoldReads(bool hold) {
    std::lock_guard lock(mutex_);
    holdReads_ = hold;
}

bool CardDeviceSimulator::swipe() {
    {
        std::lock_guard lock(mutex_);
        if (heldReads_.isEmpty()) return false;
        const QList<QByteArray> held = std::exchange(heldReads_, {});
        for (const QByteArray& command : held) schedule(readAnswer(command[1], statusFor(command[1])));
    }
    wake();
    return true;
}

void CardDeviceSimulator::unplug() {
    {
        std::lock_guard lock(mutex_);
        unplugged_ = true;
    }
    wake();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return master_ < 0; });
}

QByteArray CardDeviceSimulator::received() const {
    std::lock_guard lock(mutex_);
    return received_;
}
QList<QByteArray> CardDeviceSimulator::commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
}
void CardDeviceSimulator::clearLog() {
    std::lock_guard lock(mutex_);
    received_.clear();
    commands_.clear();
}

bool CardDeviceSimulator::waitForCommands(int n, int ms) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return commands_.size() >= n; });
}

bool CardDeviceSimulator::waitForHeldRead(int ms) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return !heldReads_.isEmpty(); });
}

char CardDeviceSimulator::statusFor(char command) {
    auto& queue = statusQueue_[command];
    if (!queue.empty()) {
        const char s = queue.front();
        queue.pop_front();
        return s;
    }
    const auto it = status_.find(command);
    return it == status_.end() ? '0' : it->second;
}

QByteArray CardDeviceSimulator::readAnswer(char command, char status) const {
    QByteArray a;
    a += kEsc;
    a += 's';
    if (command == 'm') {
        a += kEsc;
        a += char(0x01);
        a += char(rawCard_.size());
        for (char c : rawCard_) a += char(reverseBits(static_cast<unsigned char>(c)));
        a += QByteArray("\x1b\x02\x00\x1b\x03\x00", 6);
    } else {
        a += kEsc;
        a += char(0x01);
        a += '%' + card_ + '?';
        a += QByteArray("\x1b\x02;1?\x1b\x03;1?");
    }
    a += '?';
    a += kFs;
    a += kEsc;
    a += status;
    return a;
}

void CardDeviceSimulator::schedule(const QByteArray& bytes) {
    QByteArray out = bytes;
    if (!garbage_.empty()) {
        out = garbage_.front();
        garbage_.pop_front();
    }
    Clock::time_point when = Clock::now() + std::chrono::milliseconds(delayMs_);
    if (!outputs_.empty()) when = std::max(when, outputs_.back().when);
    if (splitAt_ > 0 && splitAt_ < out.size()) {
        outputs_.push_back({when, out.left(splitAt_)});
        outputs_.push_back({when + std::chrono::milliseconds(gapMs_), out.mid(splitAt_)});
    } else {
        outputs_.push_back({when, out});
    }
}

void CardDeviceSimulator::answer(const QByteArray& command) {
    const char c = command[1];
    if (silent_[c]) return;
    switch (c) {
        case 'r':
        case 'm':
            if (holdReads_) {
                heldReads_.append(command);
                return;
            }
            schedule(readAnswer(c, statusFor(c)));
            return;
        case 'w': {
            const char status = statusFor(c);
            if (status == '0') {
                const int from = command.indexOf(QByteArray("\x1b\x01")) + 2;
                const int to = command.indexOf(QByteArray("\x1b\x02"), from);
                card_ = command.mid(from, to - from);
            }
            schedule(QByteArray(1, kEsc) + status);
            return;
        }
        case 'n': {
            const char status = statusFor(c);
            if (status == '0') rawCard_ = command.mid(7, static_cast<unsigned char>(command[6]));
            schedule(QByteArray(1, kEsc) + status);
            return;
        }
        case 'c': {
            const char status = statusFor(c);
            if (status == '0') {
                card_.clear();
                rawCard_.clear();
            }
            schedule(QByteArray(1, kEsc) + status);
            return;
        }
        case 'x':
        case 'y':
        case 'o':
            schedule(QByteArray(1, kEsc) + statusFor(c));
            return;
        default:  // reset, failure signal, anything else: no answer
            return;
    }
}

void CardDeviceSimulator::parse() {
    for (;;) {
        while (!input_.isEmpty() && input_[0] != kEsc) input_.remove(0, 1);
        if (input_.size() < 2) return;
        const char c = input_[1];
        int length = 2;
        if (c == 'c') {
            length = 3;
        } else if (c == 'o') {
            length = 5;
        } else if (c == 'w') {
            const int fs = input_.indexOf(kFs);
            if (fs < 0) return;
            length = fs + 1;
        } else if (c == 'n') {
            if (input_.size() < 7) return;
            length = 15 + static_cast<unsigned char>(input_[6]);
        }
        if (input_.size() < length) return;
        const QByteArray command = input_.left(length);
        input_.remove(0, length);
        commands_.append(command);
        answer(command);
    }
}

void CardDeviceSimulator::run() {
    for (;;) {
        int timeout = -1;
        {
            std::lock_guard lock(mutex_);
            if (stop_) return;
            if (unplugged_ && master_ >= 0) {
                ::close(master_);
                ::close(slave_);
                master_ = slave_ = -1;
                outputs_.clear();
                changed_.notify_all();
            }
            const auto now = Clock::now();
            while (master_ >= 0 && !outputs_.empty() && outputs_.front().when <= now) {
                const QByteArray& out = outputs_.front().bytes;
                qsizetype done = 0;
                while (done < out.size()) {
                    const auto n = ::write(master_, out.constData() + done, size_t(out.size() - done));
                    if (n > 0)
                        done += n;
                    else if (n < 0 && errno != EAGAIN && errno != EINTR)
                        break;
                }
                outputs_.pop_front();
            }
            if (!outputs_.empty()) {
                const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
                    outputs_.front().when - Clock::now());
                timeout = int(std::max<long long>(0, wait.count()) + 1);
            }
        }
        pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {master_, POLLIN, 0}};
        const int count = master_ >= 0 ? 2 : 1;
        if (::poll(fds, nfds_t(count), timeout) < 0 && errno != EINTR) return;
        if (fds[0].revents & POLLIN) {
            std::uint64_t value = 0;
            [[maybe_unused]] auto n = ::read(wakeFd_, &value, sizeof value);
        }
        if (count == 2 && (fds[1].revents & POLLIN)) {
            char buffer[512];
            const auto n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) {
                std::lock_guard lock(mutex_);
                received_.append(buffer, n);
                input_.append(buffer, n);
                parse();
                changed_.notify_all();
            }
        }
    }
}

}  // namespace cardsim
