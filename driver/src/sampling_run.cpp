#include "sampling_run.h"

#include <algorithm>
#include <limits>

namespace tamrix::vxd {
namespace {

constexpr std::uint64_t kUnbounded = std::numeric_limits<std::uint64_t>::max();

}  // namespace

RunPlan PlanRun(const SamplingSettings &settings, std::uint64_t first_step,
                const RunSignals &signals) {
  RunPlan plan;
  plan.first_channel = settings.first_channel;
  plan.channel_count = settings.ChannelCount();
  plan.period_ns = settings.EffectivePeriodNs();
  plan.overrun = settings.Overrun();
  plan.scan = settings.traits.scan;
  plan.dma = IsDma(settings.traits);
  switch (settings.traits.transfer) {
    case TransferKind::kPerWord: plan.transfer_words = 1; break;
    case TransferKind::kFifoBlock: plan.transfer_words = kFifoBlockWords; break;
    case TransferKind::kDmaPage: plan.transfer_words = kDmaPageWords; break;
  }
  // A buffer smaller than a FIFO half or a page is filled in one transfer.
  plan.transfer_words =
      std::max<std::uint32_t>(1, std::min(plan.transfer_words, settings.buffer_words));
  plan.first_step = first_step;
  plan.buffer_words = settings.buffer_words;
  plan.signals = signals;
  return plan;
}

SamplingRun::SamplingRun(const RunPlan &plan)
    : plan_(plan),
      generated_(GeneratedWords::For(plan)),
      words_(generated_ ? nullptr : RunWords::Of(plan)),
      scan_words_(plan.scan == ScanKind::kContinuous ? kUnbounded : plan.channel_count) {}

std::uint64_t SamplingRun::ConversionsPerWord() const {
  return plan_.scan == ScanKind::kAveragedSingle ? kAveragedConversions : 1;
}

std::uint64_t SamplingRun::WordsConvertedBy(std::int64_t elapsed_ns) const {
  if (elapsed_ns < 0) return 0;
  const auto conversions = static_cast<std::uint64_t>(elapsed_ns / plan_.period_ns);
  return std::min(conversions / ConversionsPerWord(), scan_words_);
}

void SamplingRun::AdvanceTo(std::int64_t elapsed_ns, SampleRing &ring, BufferAlarms &alarms,
                            RunEvents &events) {
  if (elapsed_ns < 0 || Finished()) return;
  if (!began_) {
    began_ = true;
    events.overrun = plan_.overrun;
  }
  converted_ = std::max(converted_, WordsConvertedBy(elapsed_ns));
  const std::uint64_t unit = plan_.transfer_words;
  const bool scan_complete = converted_ == scan_words_;
  const std::uint64_t complete = scan_complete ? converted_ : converted_ - converted_ % unit;
  if (complete <= transferred_) return;
  if (plan_.dma) events.pages_done += static_cast<std::uint32_t>((complete - transferred_) / unit);
  Transfer(complete, ring, alarms, events);
  if (Finished()) events.scan_end = true;
}

void SamplingRun::Flush(SampleRing &ring, BufferAlarms &alarms, RunEvents &events) {
  if (converted_ > transferred_) Transfer(converted_, ring, alarms, events);
}

bool SamplingRun::Finished() const {
  return scan_words_ != kUnbounded && converted_ == scan_words_ && transferred_ == converted_;
}

std::int64_t SamplingRun::NextTransferNs() const {
  const std::uint64_t next_word =
      plan_.scan == ScanKind::kContinuous ? transferred_ + plan_.transfer_words : transferred_ + 1;
  return static_cast<std::int64_t>(next_word * ConversionsPerWord()) * plan_.period_ns;
}

std::uint64_t SamplingRun::NextStep() const {
  switch (plan_.scan) {
    case ScanKind::kSingle: return plan_.first_step + 1;
    case ScanKind::kAveragedSingle: return plan_.first_step + kAveragedConversions;
    case ScanKind::kContinuous: break;
  }
  return plan_.first_step + (converted_ + plan_.channel_count - 1) / plan_.channel_count;
}

void SamplingRun::Transfer(std::uint64_t up_to, SampleRing &ring, BufferAlarms &alarms,
                           RunEvents &events) {
  std::uint64_t count = up_to - transferred_;
  std::uint64_t from = transferred_;
  transferred_ = up_to;
  if (const std::uint64_t dropped = std::min(to_drop_, count); dropped > 0) {
    // One gap, however many transfers the drop spans.
    if (!dropping_) alarms.AfterLoss(from - lost_, events);
    to_drop_ -= dropped;
    dropping_ = to_drop_ > 0;
    lost_ += dropped;
    from += dropped;
    count -= dropped;
    if (count == 0) return;
  }
  std::size_t accepted = 0;
  if (generated_) {
    accepted = static_cast<std::size_t>(std::min<std::uint64_t>(count, ring.Free()));
    generated_->Produce(from, accepted, produced_);
    ring.Append(generated_, produced_, accepted);
    produced_ += accepted;
  } else {
    accepted = ring.Append(words_, from, count);
  }
  if (accepted > 0) alarms.AfterAppend(ring.Size(), ring.Capacity(), events);
  if (accepted < count) {
    alarms.AfterLoss(from - lost_ + accepted, events);  // words kept before the first lost one
    lost_ += count - accepted;
  }
}

}  // namespace tamrix::vxd
