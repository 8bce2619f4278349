// JSON for an engine that lacks it: a compact serialiser and a parser that checks the
// text holds nothing but JSON tokens before evaluating it; toJSON for dates and the
// primitive wrappers where dates have none. The support script runs this text only on
// such an engine.
(function () {
    var hex4 = function (c) {
        return '\\u' + ('0000' + c.charCodeAt(0).toString(16)).slice(-4);
    };
    var two = function (n) {
        return n < 10 ? '0' + n : n;
    };

    if (typeof Date.prototype.toJSON !== 'function') {
        Date.prototype.toJSON = function () {
            return isFinite(this.valueOf())
                ? this.getUTCFullYear() + '-' + two(this.getUTCMonth() + 1) + '-' +
                      two(this.getUTCDate()) + 'T' + two(this.getUTCHours()) + ':' +
                      two(this.getUTCMinutes()) + ':' + two(this.getUTCSeconds()) + 'Z'
                : null;
        };
        Boolean.prototype.toJSON = Number.prototype.toJSON = String.prototype.toJSON =
            function () {
                return this.valueOf();
            };
    }

    if (typeof JSON !== 'object')
        JSON = {};

    var needsEscape =
        /[\\"\u0000-\u001f\u007f-\u009f\u00ad\u0600-\u0604\u070f\u17b4\u17b5\u200c-\u200f\u2028-\u202f\u2060-\u206f\ufeff\ufff0-\uffff]/g;
    var shortEscapes = {
        '\b': '\\b', '\t': '\\t', '\n': '\\n', '\f': '\\f', '\r': '\\r', '"': '\\"', '\\': '\\\\'
    };
    var quote = function (text) {
        return '"' + text.replace(needsEscape, function (c) {
            return typeof shortEscapes[c] === 'string' ? shortEscapes[c] : hex4(c);
        }) + '"';
    };
    var isArray = function (value) {
        return Object.prototype.toString.apply(value) === '[object Array]';
    };
    var wrap = function (open, parts, close, gap, inner, indent) {
        if (parts.length === 0)
            return open + close;
        if (!gap)
            return open + parts.join(',') + close;
        return open + '\n' + inner + parts.join(',\n' + inner) + '\n' + indent + close;
    };
    var serialise = function (key, holder, filter, gap, indent) {
        var value = holder[key];
        if (value && typeof value === 'object' && typeof value.toJSON === 'function')
            value = value.toJSON(key);
        if (typeof filter === 'function')
            value = filter.call(holder, key, value);
        switch (typeof value) {
        case 'string':
            return quote(value);
        case 'number':
            return isFinite(value) ? String(value) : 'null';
        case 'boolean':
            return String(value);
        case 'object':
            if (!value)
                return 'null';
            var inner = indent + gap, parts = [], i, name, text;
            if (isArray(value)) {
                for (i = 0; i < value.length; i += 1)
                    parts[i] = serialise(i, value, filter, gap, inner) || 'null';
                return wrap('[', parts, ']', gap, inner, indent);
            }
            var names = [];
            if (filter && typeof filter === 'object') {
                for (i = 0; i < filter.length; i += 1)
                    if (typeof filter[i] === 'string')
                        names.push(filter[i]);
            } else {
                for (name in value)
                    if (Object.prototype.hasOwnProperty.call(value, name))
                        names.push(name);
            }
            for (i = 0; i < names.length; i += 1) {
                text = serialise(names[i], value, filter, gap, inner);
                if (text)
                    parts.push(quote(names[i]) + (gap ? ': ' : ':') + text);
            }
            return wrap('{', parts, '}', gap, inner, indent);
        }
        return undefined; // functions and undefined have no JSON form
    };

    if (typeof JSON.stringify !== 'function') {
        JSON.stringify = function (value, filter, space) {
            var gap = '';
            if (typeof space === 'number')
                for (var i = 0; i < space; i += 1)
                    gap += ' ';
            else if (typeof space === 'string')
                gap = space;
            if (filter && typeof filter !== 'function' &&
                (typeof filter !== 'object' || typeof filter.length !== 'number'))
                throw new Error('JSON.stringify');
            return serialise('', {'': value}, filter, gap, '');
        };
    }

    if (typeof JSON.parse !== 'function') {
        var invisible =
            /[\u0000\u00ad\u0600-\u0604\u070f\u17b4\u17b5\u200c-\u200f\u2028-\u202f\u2060-\u206f\ufeff\ufff0-\uffff]/g;
        JSON.parse = function (text, filter) {
            var revive = function (holder, key) {
                var value = holder[key], name, v;
                if (value && typeof value === 'object') {
                    for (name in value) {
                        if (!Object.prototype.hasOwnProperty.call(value, name))
                            continue;
                        v = revive(value, name);
                        if (v !== undefined)
                            value[name] = v;
                        else
                            delete value[name];
                    }
                }
                return filter.call(holder, key, value);
            };
            text = String(text).replace(invisible, hex4);
            // Take out escapes, then whole values, then openers after a separator: what
            // is left of a JSON text is only brackets, colons, commas and blanks.
            var rest = text.replace(/\\(?:["\\\/bfnrt]|u[0-9a-fA-F]{4})/g, '@')
                           .replace(/"[^"\\\n\r]*"|true|false|null|-?\d+(?:\.\d*)?(?:[eE][+\-]?\d+)?/g, ']')
                           .replace(/(?:^|:|,)(?:\s*\[)+/g, '');
            if (!/^[\],:{}\s]*$/.test(rest))
                throw new SyntaxError('JSON.parse');
            var document = eval('(' + text + ')');
            return typeof filter === 'function' ? revive({'': document}, '') : document;
        };
    }
})();
