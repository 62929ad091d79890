// Whether a window of this process can be seen by anyone. A deployment
// agent's service, or any program in session 0, has no user's desktop: a
// wizard or a box shown there would wait unseen until the agent gives up.
#pragma once

// False in a window station without WSF_VISIBLE (a service's) and in
// session 0, which no user sees.
bool HasVisibleDesktop();
