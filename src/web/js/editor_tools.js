// The editor's tools and input: the mouse, a pen or a finger on the
// drawing (pointer events, two fingers pinch to zoom), the wheel, and the
// keys.
"use strict";

const QuivorEditorTools = (() => {
  const TOOLS = { v: "selecionar", n: "no", b: "barra", a: "apoio", c: "carga" };
  const ARROWS = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, 1], ArrowDown: [0, -1] };

  function attach(E) {
    const svg = E.svg;
    const pointers = new Map();
    let press = null; // {kind: "no"|"vazio"|"barra", no, barra, start: [px, py], moved}
    let pinch = null;

    const local = (event) => {
      const box = svg.getBoundingClientRect();
      return [event.clientX - box.left, event.clientY - box.top];
    };
    const targetOf = (event) => {
      const element = document.elementFromPoint(event.clientX, event.clientY);
      const no = element && element.closest && element.closest("[data-no]");
      if (no) return { kind: "no", no: Number(no.dataset.no) };
      const barra = element && element.closest && element.closest("[data-barra]");
      if (barra) return { kind: "barra", barra: Number(barra.dataset.barra) };
      return { kind: "vazio" };
    };

    svg.addEventListener("pointerdown", (event) => {
      svg.focus({ preventScroll: true });
      svg.setPointerCapture(event.pointerId);
      pointers.set(event.pointerId, local(event));
      if (pointers.size === 2) {
        const [a, b] = [...pointers.values()];
        pinch = { distance: Math.hypot(a[0] - b[0], a[1] - b[1]), view: { ...E.view } };
        press = null;
        E.history.finish();
        return;
      }
      const at = local(event);
      press = { ...targetOf(event), start: at, moved: false, view: { ...E.view } };
      if (press.kind === "no" && E.tool === "selecionar") {
        E.select({ no: press.no });
        E.history.begin();
      }
    });

    svg.addEventListener("pointermove", (event) => {
      E.moved = performance.now();
      const at = local(event);
      if (pointers.has(event.pointerId)) pointers.set(event.pointerId, at);
      E.pointer = E.snapped(E.toModel(at), event);
      if (pinch && pointers.size === 2) {
        const [a, b] = [...pointers.values()];
        const factor = Math.hypot(a[0] - b[0], a[1] - b[1]) / Math.max(pinch.distance, 1);
        const middle = [(a[0] + b[0]) / 2, (a[1] + b[1]) / 2];
        E.zoomAt(middle, (pinch.view.scale * factor) / E.view.scale);
        return;
      }
      if (!press) {
        if (E.pending !== null) E.redraw();
        return;
      }
      const distance = Math.hypot(at[0] - press.start[0], at[1] - press.start[1]);
      if (distance > 3) press.moved = true;
      if (!press.moved) return;
      if (press.kind === "no" && E.tool === "selecionar") {
        const [x, y] = E.pointer;
        const mirror = E.mirror();
        E.history.live((model) => E.sym().moveNode(model, mirror, press.no, x, y));
        E.movedNodes = mirror ? [press.no, mirror.pairs.get(press.no)] : [press.no];
        E.changed(true);
        E.moveMs = performance.now() - E.moved;
      } else if (press.kind === "vazio" || E.tool === "selecionar") {
        E.view.ox = press.view.ox + at[0] - press.start[0];
        E.view.oy = press.view.oy + at[1] - press.start[1];
        E.redraw();
      } else if (E.tool === "barra") {
        E.redraw();
      }
    });

    const release = (event) => {
      pointers.delete(event.pointerId);
      if (pinch) {
        if (pointers.size === 0) pinch = null;
        return;
      }
      const done = press;
      press = null;
      if (!done) return;
      if (done.kind === "no" && E.tool === "selecionar") {
        E.history.finish();
        if (done.moved) E.changed(false);
        return;
      }
      const end = targetOf(event);
      if (done.moved && !(E.tool === "barra" && done.kind === "no")) return;
      click(done, end, event);
    };
    svg.addEventListener("pointerup", release);
    svg.addEventListener("pointercancel", (event) => {
      pointers.delete(event.pointerId);
      pinch = null;
      if (press && press.kind === "no") E.history.finish();
      press = null;
    });

    // A click (or, with the bar tool, a drag from one node to another).
    function click(done, end, event) {
      const tool = E.tool;
      if (tool === "barra") {
        if (end.kind !== "no") {
          if (!done.moved) E.setPending(null);
          return;
        }
        const first = done.moved && done.kind === "no" ? done.no : E.pending;
        if (first === null || first === end.no) {
          E.setPending(end.no);
          return;
        }
        E.change((model) => E.sym().addBar(model, E.mirror(), first, end.no));
        E.setPending(done.moved ? null : end.no);
        return;
      }
      if (done.kind === "barra") {
        E.select({ barra: done.barra });
        return;
      }
      if (done.kind === "vazio") {
        if (tool === "no") {
          const [x, y] = E.snapped(E.toModel(done.start), event);
          const no = E.change((model) => E.sym().addNode(model, E.mirror(), x, y));
          if (no !== null && no !== undefined) E.select({ no });
        } else {
          E.select(null);
        }
        return;
      }
      E.select({ no: done.no });
      if (tool === "apoio") {
        const order = ["livre", "fixo", "rolete-x", "rolete-y"];
        const now = QuivorEditorModel.supportOf(E.history.model, done.no);
        const next = order[(order.indexOf(now) + 1) % order.length];
        E.change((model) => E.sym().setSupport(model, E.mirror(), done.no, next));
      } else if (tool === "carga") {
        const now = QuivorEditorModel.loadOf(E.history.model, E.caso, done.no);
        if (now.fx === 0 && now.fy === 0) {
          E.change((model) => E.sym().setLoad(model, E.mirror(), E.caso, done.no, 0, -1));
        }
      }
    }

    svg.addEventListener(
      "wheel",
      (event) => {
        event.preventDefault();
        E.zoomAt(local(event), Math.exp(-event.deltaY * 0.0015));
      },
      { passive: false },
    );

    document.addEventListener("keydown", (event) => {
      const typing = event.target.closest && event.target.closest("input, select, textarea");
      const key = event.key.toLowerCase();
      if ((event.ctrlKey || event.metaKey) && !event.altKey) {
        if (key === "s") {
          event.preventDefault();
          E.save();
        } else if (typing) {
          return;
        } else if (key === "z" && !event.shiftKey) {
          event.preventDefault();
          E.undo();
        } else if (key === "y" || (key === "z" && event.shiftKey)) {
          event.preventDefault();
          E.redo();
        }
        return;
      }
      if (typing || event.altKey || event.ctrlKey || event.metaKey) return;
      if (TOOLS[key]) {
        E.setTool(TOOLS[key]);
      } else if (key === "delete" || key === "backspace") {
        event.preventDefault();
        E.removeSelected();
      } else if (ARROWS[event.key] && E.selected && E.selected.no !== undefined) {
        // The selected node moved by a grid step (ten with Shift), one undo
        // step a press.
        event.preventDefault();
        const n = QuivorEditorModel.node(E.history.model, E.selected.no);
        if (!n) return;
        const step = E.grid * (event.shiftKey ? 10 : 1);
        const [dx, dy] = ARROWS[event.key];
        E.change((model) => E.sym().moveNode(model, E.mirror(), n.no, n.x + dx * step, n.y + dy * step));
      } else if (key === "escape") {
        E.setPending(null);
      } else if (key === "f") {
        E.fit();
      }
    });
  }

  return { attach, TOOLS };
})();
