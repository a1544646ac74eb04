"""A tally of a test script's expectations: each failure is printed as it
happens, and the script ends by the count of both."""


class Checks:
    def __init__(self):
        self.passed = 0
        self.failed = []

    def expect(self, condition, what):
        if condition:
            self.passed += 1
        else:
            self.failed.append(what)
            print(f"FAILED: {what}", flush=True)
        return condition
