"""The check record the release checks share: one printed line per check, a failure count."""


class Checks:
    def __init__(self):
        self.failed = 0

    def check(self, condition, what):
        print(("ok      " if condition else "FAILED  ") + what)
        if not condition:
            self.failed += 1
        return condition
