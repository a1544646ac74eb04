// Bytes and texts: what the page's callers give (a string is taken as its
// UTF-8 bytes) and what they get back.
"use strict";

const QuivorBytes = (() => {
  const encoder = new TextEncoder();
  const decoder = new TextDecoder();

  // A string as its UTF-8 bytes; bytes as they are.
  function of(value, what) {
    if (typeof value === "string") return encoder.encode(value);
    if (value instanceof Uint8Array) return value;
    if (value instanceof ArrayBuffer) return new Uint8Array(value);
    if (ArrayBuffer.isView(value)) {
      return new Uint8Array(value.buffer, value.byteOffset, value.byteLength);
    }
    throw new TypeError(`quivor: ${what} deve ser um texto ou um Uint8Array`);
  }

  function text(bytes) {
    return bytes === null ? null : decoder.decode(bytes);
  }

  function join(...parts) {
    const all = new Uint8Array(parts.reduce((sum, part) => sum + part.length, 0));
    let at = 0;
    for (const part of parts) {
      all.set(part, at);
      at += part.length;
    }
    return all;
  }

  // The pieces of bytes separated by NUL bytes.
  function split(bytes) {
    const pieces = [];
    let start = 0;
    for (let i = 0; i <= bytes.length; i++) {
      if (i === bytes.length || bytes[i] === 0) {
        pieces.push(bytes.subarray(start, i));
        start = i + 1;
      }
    }
    return pieces;
  }

  return { of, text, join, split };
})();
