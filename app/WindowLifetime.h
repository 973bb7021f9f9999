#pragma once

#include <memory>

// Tells a callback that outlives a handler whether the window is still there.
// The callback keeps a Watch; the window ends its lifetime when it starts to
// go, and every Watch has expired from then on.
class WindowLifetime
{
public:
    using Watch = std::weak_ptr<int>;

    // Implicit, so that a callback takes its watch as `Watch alive = m_alive`.
    operator Watch() const { return m_token; }
    void end() { m_token.reset(); }

private:
    std::shared_ptr<int> m_token = std::make_shared<int>(0);
};
