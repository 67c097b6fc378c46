// How a window-free operation reports its steps. The widget layer fills these from a CProgressWnd;
// a test or a run without a screen leaves them empty and nothing is shown.
#pragma once

#include <functional>
#include <string>

struct ProgressHooks {
    std::function<void(bool show, const std::string& text)> show; // CP949; empty text with false hides
    std::function<void(int total)> range;
    std::function<void(int pos)> pos;
    std::function<void(int corner)> corner;
    std::function<void(bool topmost)> topmost;

    void Show(const std::string& text) const {
        if (show)
            show(true, text);
    }
    void Hide() const {
        if (show)
            show(false, std::string());
    }
    void Range(int total) const {
        if (range)
            range(total);
    }
    void Pos(int p) const {
        if (pos)
            pos(p);
    }
    void Corner(int c) const {
        if (corner)
            corner(c);
    }
    void TopMost(bool t) const {
        if (topmost)
            topmost(t);
    }
};
