#include "decon/decon_mailbox.h"

const char* DeconCommandText(DeconCommand command) {
    switch (command) {
    case DeconCommand::Init: return "Allocating arrays...";
    case DeconCommand::SetImage: return "Receiving image data...";
    case DeconCommand::AddStar: return "Receiving PSF points...";
    case DeconCommand::SetSelection: return "Receiving selection rectangle...";
    case DeconCommand::Start: return "Starting Lucy-Richardson...";
    case DeconCommand::GetStatus: return "Giving status...";
    case DeconCommand::Abort: return "Aborting Lucy-Richardson...";
    case DeconCommand::ReturnImage: return "Returning final image...";
    case DeconCommand::Free: return "Deallocating arrays...";
    case DeconCommand::none: break;
    }
    return "";
}

void DeconMailbox::Clear() {
    sequence.store(0, std::memory_order_relaxed);
    command.store(0, std::memory_order_relaxed);
    argumentA.store(0, std::memory_order_relaxed);
    argumentB.store(0, std::memory_order_relaxed);
    top.store(0, std::memory_order_relaxed);
    left.store(0, std::memory_order_relaxed);
    bottom.store(0, std::memory_order_relaxed);
    right.store(0, std::memory_order_relaxed);
    image.store(nullptr, std::memory_order_relaxed);
    imageUpdateCount.store(0, std::memory_order_relaxed);
    stepsDone.store(0, std::memory_order_relaxed);
    stepsTotal.store(0, std::memory_order_relaxed);
    doneSequence.store(0, std::memory_order_relaxed);
    statusText.Set("");
    failureText.Set("");
    done.store(1, std::memory_order_release);
}

void DeconMailbox::Post(DeconCommand code) {
    command.store(static_cast<uint16_t>(code), std::memory_order_relaxed);
    done.store(0, std::memory_order_relaxed);
    sequence.fetch_add(1, std::memory_order_release);
}

void DeconMailbox::PostInit(uint16_t width, uint32_t height) {
    argumentA.store(width, std::memory_order_relaxed);
    argumentB.store(height, std::memory_order_relaxed);
    Post(DeconCommand::Init);
}

void DeconMailbox::PostSetImage(uint16_t* pixels) {
    image.store(pixels, std::memory_order_relaxed);
    Post(DeconCommand::SetImage);
}

void DeconMailbox::PostAddStar(uint16_t column, uint32_t row) {
    argumentA.store(column, std::memory_order_relaxed);
    argumentB.store(row, std::memory_order_relaxed);
    Post(DeconCommand::AddStar);
}

void DeconMailbox::PostSetSelection(const DeconRect& rect) {
    top.store(rect.top, std::memory_order_relaxed);
    left.store(rect.left, std::memory_order_relaxed);
    bottom.store(rect.bottom, std::memory_order_relaxed);
    right.store(rect.right, std::memory_order_relaxed);
    Post(DeconCommand::SetSelection);
}

void DeconMailbox::PostStart(uint16_t iterations) {
    argumentA.store(iterations, std::memory_order_relaxed);
    Post(DeconCommand::Start);
}

void DeconMailbox::PostGetStatus() { Post(DeconCommand::GetStatus); }

void DeconMailbox::PostReturnImage(uint16_t* pixels) {
    image.store(pixels, std::memory_order_relaxed);
    Post(DeconCommand::ReturnImage);
}

void DeconMailbox::PostFree() { Post(DeconCommand::Free); }

void DeconMailbox::PostAbort() {
    command.store(static_cast<uint16_t>(DeconCommand::Abort), std::memory_order_release);
    sequence.fetch_add(1, std::memory_order_release);
}

bool DeconMailbox::IsDone() const {
    return done.load(std::memory_order_acquire) == 1 &&
           doneSequence.load(std::memory_order_acquire) == sequence.load(std::memory_order_relaxed);
}

void DeconMailbox::EndRun() {
    argumentA.store(0, std::memory_order_relaxed);
    doneSequence.store(0, std::memory_order_relaxed);
    sequence.store(0, std::memory_order_release);
}

DeconMailbox& TheDeconMailbox() {
    static DeconMailbox mailbox;
    return mailbox;
}
