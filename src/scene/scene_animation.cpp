// The shown step: stepping, modes, display steps and the animation that walks them.
#include <algorithm>
#include <cmath>

#include "messages.h"
#include "scene.h"

namespace orv {

bool Scene::oscillationMode() const {
    return model_.results.stepCount == 1 || !model_.results.hasResults || model_.modalResults;
}

bool Scene::commandStep(StepMove move, AnimationControl& animation) {
    static constexpr CommandId kIds[4] = {CommandId::FirstStep, CommandId::PreviousStep,
                                          CommandId::NextStep, CommandId::LastStep};
    if (!allowed(kIds[int(move)], animation)) return false;
    animation.hold();  // stepping leaves the animation paused
    const ShownStep& s = settings_.shown;
    switch (move) {
        case StepMove::First:
            return commandSetStep(0);
        case StepMove::Previous:
            return commandSetStep(s.step - 1);
        case StepMove::Next:
            return commandSetStep(s.step + 1);
        case StepMove::Last:
            return commandSetStep(s.count - 1);
    }
    return false;
}

bool Scene::commandSetStep(int step) {
    if (busy() || !guardChain(Guard::Chain)) return false;
    ShownStep& s = settings_.shown;
    s.step = std::clamp(step, 0, std::max(0, s.count - 1));
    animation_.running = false;
    if (settings_.stepMaxMin) computeBands();
    return true;
}

bool Scene::commandChooseMode(int mode) {
    if (busy() || !guardChain(Guard::Chain)) return false;
    if (!model_.modalResults) {
        messages_.showMessage("It is not a mode file!");
        return false;
    }
    if (mode < 0 || mode >= model_.results.stepCount) {
        messages_.showError("Input error!");
        return false;
    }
    settings_.shown.mode = mode;
    computeBands();
    return true;
}

bool Scene::commandSetFrames(int frames) {
    if (busy() || !guardChain(Guard::Chain)) return false;
    if (!oscillationMode()) {
        messages_.showMessage("Display steps are only for a single step or modes!");
        return false;
    }
    if (frames < 1 || frames > 100000) {
        messages_.showMessage("Input error!");
        return false;
    }
    ShownStep& s = settings_.shown;
    s.count = frames;
    s.step = std::min(s.step, frames - 1);
    return true;
}

bool Scene::startAnimation(int displaySteps, double magnification, AnimationMethod method) {
    if (busy() || !modelLoaded_) return false;
    if (!std::isfinite(magnification) || !std::isfinite(float(magnification))) {
        messages_.showMessage("Please enter a number.");
        return false;
    }
    settings_.magnification = float(magnification);
    animation_.method = method;
    ShownStep& s = settings_.shown;
    if (oscillationMode()) s.count = std::max(1, displaySteps);
    // The display steps may have been lowered while a higher frame was shown.
    s.step = std::clamp(s.step, 0, std::max(0, s.count - 1));
    animation_.running = true;
    return true;
}

void Scene::stopAnimation() {
    if (oscillationMode()) {
        settings_.shown.count = 1;
        settings_.shown.step = 0;
    }
    animation_.running = false;
}

void Scene::advanceStep() {
    if (!animation_.running || dragging_) return;
    const int n = settings_.shown.count;
    int& s = settings_.shown.step;
    if (n <= 1) {
        s = 0;
    } else if (animation_.method == AnimationMethod::ForwardOnly) {
        animation_.reverse = false;
        s = s + 1 > n - 1 ? 0 : s + 1;
    } else {
        // A step at or past the last frame turns back from the last frame, so that the
        // animation never walks beyond the display steps there are.
        if (s >= n - 1) {
            animation_.reverse = true;
            s = n - 1;
        }
        if (s <= 0) animation_.reverse = false;
        s = animation_.reverse ? s - 1 : s + 1;
    }
    if (settings_.stepMaxMin) computeBands();
}

int Scene::animationRoundLength() const {
    const int n = settings_.shown.count;
    if (n <= 1) return 1;
    return animation_.method == AnimationMethod::ForwardOnly ? n : 2 * n - 2;
}

std::pair<float, float> Scene::shownLimits() const {
    const ShownStep& s = settings_.shown;
    const int32_t d = settings_.plotItem, steps = model_.results.stepCount;
    if (model_.modalResults) {
        // One mode at a time: its own limits, grown with the frame as its values are.
        const int32_t mode = std::clamp(s.mode, 0, std::max(0, steps - 1));
        auto [hi, lo] = model_.extremes(settings_.stepMaxMin, mode, d);
        if (settings_.stepMaxMin && s.count > 1) {
            const float f = float(std::clamp(s.step, 0, s.count - 1) + 1) / float(s.count);
            hi *= f;
            lo *= f;
        }
        return {hi, lo};
    }
    // A frame of a single step is no step of its own: its limits are those of all steps.
    const bool ownStep = settings_.stepMaxMin && s.step >= 0 && s.step < steps;
    return model_.extremes(ownStep, ownStep ? s.step : 0, d);
}

}  // namespace orv
