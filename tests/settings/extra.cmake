# SPDX-License-Identifier: GPL-2.0-or-later
# The crash test kills 200 saves in the middle, each in a process of its
# own: about 25 seconds under the sanitizers, more on a busy machine.
set(test_timeout 120)
